// Small helpers shared by the three windows: placement, fonts and the
// conversion of script bytes to display text.
#pragma once

#include <QFont>
#include <QString>
#include <string_view>

class QWidget;

namespace zarn::qt {

// Moves a top-level window so that it sits in the middle of its screen.
void CentreOnScreen(QWidget& window);

// The windows' dialog font, with fallbacks where the first choice is missing.
QFont DialogFont(int pixel_size);
// A fixed-pitch font for the script view.
QFont ScriptFont(int pixel_size);

// Script text is handled byte for byte: every byte becomes exactly one
// character, so line breaks and line lengths stay as in the script.
inline QString BytesToDisplay(std::string_view bytes) {
  return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

}  // namespace zarn::qt
