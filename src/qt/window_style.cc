#include "qt/window_style.h"

#include <QGuiApplication>
#include <QScreen>
#include <QStringList>
#include <QWidget>

namespace zarn::qt {

void CentreOnScreen(QWidget& window) {
  QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
  if (!screen) return;
  QRect frame = window.frameGeometry();
  frame.moveCenter(screen->availableGeometry().center());
  window.move(frame.topLeft());
}

QFont DialogFont(int pixel_size) {
  QFont font;
  // Narrow sans faces first: the layout is sized for a compact dialog font.
  font.setFamilies(QStringList{"Tahoma", "DejaVu Sans Condensed", "Liberation Sans", "Sans Serif"});
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(pixel_size);
  return font;
}

QFont ScriptFont(int pixel_size) {
  QFont font;
  font.setFamilies(QStringList{"Courier New", "Courier", "DejaVu Sans Mono", "Monospace"});
  font.setStyleHint(QFont::TypeWriter);
  font.setFixedPitch(true);
  font.setPixelSize(pixel_size);
  return font;
}

}  // namespace zarn::qt
