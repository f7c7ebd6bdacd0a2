#include "gui/program_picture.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

namespace zarn::gui {

// A script page with a folded corner and a large Z across it.
QImage ProgramPicture() {
  QImage image(48, 48, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);

  QPainterPath page;
  page.moveTo(8, 2);
  page.lineTo(32, 2);
  page.lineTo(42, 12);
  page.lineTo(42, 46);
  page.lineTo(8, 46);
  page.closeSubpath();
  QLinearGradient paper(0, 0, 48, 48);
  paper.setColorAt(0, QColor(250, 250, 245));
  paper.setColorAt(1, QColor(205, 215, 230));
  painter.setPen(QPen(QColor(60, 70, 90), 1.5));
  painter.setBrush(paper);
  painter.drawPath(page);

  QPolygonF fold({{32, 2}, {32, 12}, {42, 12}});
  painter.setBrush(QColor(170, 185, 205));
  painter.drawPolygon(fold);

  // Script lines behind the letter.
  painter.setPen(QPen(QColor(150, 160, 180), 1.5));
  for (int y = 18; y <= 42; y += 6) painter.drawLine(QPointF(12, y), QPointF(38, y));

  QPolygonF letter({{13, 14}, {37, 14}, {37, 19}, {21, 36}, {37, 36}, {37, 42},
                    {13, 42}, {13, 37}, {29, 20}, {13, 20}});
  QLinearGradient ink(0, 14, 0, 42);
  ink.setColorAt(0, QColor(230, 90, 30));
  ink.setColorAt(1, QColor(170, 40, 20));
  painter.setPen(QPen(QColor(90, 20, 10), 1));
  painter.setBrush(ink);
  painter.drawPolygon(letter);
  return image;
}

}  // namespace zarn::gui
