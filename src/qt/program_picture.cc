#include "qt/program_picture.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include "desktop/program_picture_shapes.h"

namespace zarn::qt {

// A script page with a folded corner and a large Z across it.
QImage ProgramPicture() {
  QImage image(picture::kSize, picture::kSize, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);

  auto polygon = [](const auto& points) {
    QPolygonF shape;
    for (const picture::Point& p : points) shape << QPointF(p.x, p.y);
    return shape;
  };
  QPainterPath page;
  page.addPolygon(polygon(picture::kPage));
  page.closeSubpath();
  QLinearGradient paper(0, 0, picture::kSize, picture::kSize);
  paper.setColorAt(0, QColor(250, 250, 245));
  paper.setColorAt(1, QColor(205, 215, 230));
  painter.setPen(QPen(QColor(60, 70, 90), picture::kPageOutline));
  painter.setBrush(paper);
  painter.drawPath(page);

  painter.setBrush(QColor(170, 185, 205));
  painter.drawPolygon(polygon(picture::kFold));

  // Script lines behind the letter.
  painter.setPen(QPen(QColor(150, 160, 180), picture::kLineWidth));
  for (int y = picture::kFirstLine; y <= picture::kLastLine; y += picture::kLineGap)
    painter.drawLine(QPointF(picture::kLineLeft, y), QPointF(picture::kLineRight, y));

  QLinearGradient ink(0, 14, 0, 42);
  ink.setColorAt(0, QColor(230, 90, 30));
  ink.setColorAt(1, QColor(170, 40, 20));
  painter.setPen(QPen(QColor(90, 20, 10), picture::kLetterOutline));
  painter.setBrush(ink);
  painter.drawPolygon(polygon(picture::kLetter));
  return image;
}

}  // namespace zarn::qt
