#include "app/tool_icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPolygonF>
#include <cmath>

namespace kelvane {

namespace {
// Every image is drawn on a 16 by 16 grid and rendered at two sizes.
const QColor kOutline(40, 40, 40);
const QColor kFolder(240, 200, 80);
const QColor kPaper(255, 255, 255);
const QColor kArrow(30, 150, 50);

void Folder(QPainter& p, QRectF r) {
  p.setPen(QPen(kOutline, 0.8));
  p.setBrush(kFolder.darker(115));
  QPolygonF back;
  back << r.bottomLeft() << r.topLeft() + QPointF(0, 2) << r.topLeft() + QPointF(0.8, 1)
       << r.topLeft() + QPointF(r.width() * 0.4, 1) << r.topLeft() + QPointF(r.width() * 0.5, 2)
       << r.topRight() + QPointF(0, 2) << r.bottomRight();
  p.drawPolygon(back);
  p.setBrush(kFolder);
  p.drawRect(QRectF(r.left(), r.top() + 3.5, r.width(), r.height() - 3.5));
}

void Arrow(QPainter& p, QPointF from, QPointF to) {
  p.setPen(QPen(kArrow, 2.0, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(from, to);
  QPointF d = to - from;
  double len = std::hypot(d.x(), d.y());
  QPointF u = d / len;
  QPointF n(-u.y(), u.x());
  QPolygonF head;
  head << to + u * 1.5 << to - u * 2.5 + n * 2.5 << to - u * 2.5 - n * 2.5;
  p.setPen(Qt::NoPen);
  p.setBrush(kArrow);
  p.drawPolygon(head);
}

void Page(QPainter& p, QRectF r) {
  p.setPen(QPen(kOutline, 0.8));
  p.setBrush(kPaper);
  QPolygonF page;
  page << r.topLeft() << r.topRight() - QPointF(3, 0) << r.topRight() + QPointF(0, 3)
       << r.bottomRight() << r.bottomLeft();
  p.drawPolygon(page);
  p.setPen(QPen(QColor(120, 120, 160), 0.7));
  for (double y = r.top() + 4; y < r.bottom() - 1; y += 2)
    p.drawLine(QPointF(r.left() + 1.5, y), QPointF(r.right() - 1.5, y));
}

void Draw(QPainter& p, ToolImage image) {
  switch (image) {
    case ToolImage::Open:
      Folder(p, QRectF(1.5, 3.5, 11, 10));
      Arrow(p, QPointF(9, 8), QPointF(13, 3.5));
      break;
    case ToolImage::Save: {
      p.setPen(QPen(kOutline, 0.8));
      p.setBrush(QColor(50, 90, 180));
      p.drawRoundedRect(QRectF(1.5, 1.5, 13, 13), 1, 1);
      p.setBrush(kPaper);
      p.drawRect(QRectF(4, 1.5, 8, 5.5));
      p.setBrush(QColor(200, 200, 210));
      p.drawRect(QRectF(4.5, 9.5, 7, 5));
      p.setBrush(QColor(50, 90, 180));
      p.drawRect(QRectF(9, 2.5, 1.8, 3.5));
      break;
    }
    case ToolImage::OutputFromInput:
      Folder(p, QRectF(0.5, 7.5, 7, 7));
      Page(p, QRectF(10, 7.5, 5.5, 7));
      Arrow(p, QPointF(3.5, 5), QPointF(11, 3));
      break;
    case ToolImage::InputFromOutput:
      Page(p, QRectF(0.5, 7.5, 5.5, 7));
      Folder(p, QRectF(8.5, 7.5, 7, 7));
      Arrow(p, QPointF(12.5, 5), QPointF(5, 3));
      break;
    case ToolImage::Run: {
      QPolygonF play;
      play << QPointF(4, 2) << QPointF(14, 8) << QPointF(4, 14);
      p.setPen(QPen(QColor(20, 100, 30), 0.8));
      p.setBrush(QColor(50, 180, 70));
      p.drawPolygon(play);
      break;
    }
    case ToolImage::Cut:
      p.setPen(QPen(QColor(90, 90, 100), 1.3));
      p.drawLine(QPointF(4.5, 1.5), QPointF(10.5, 10));
      p.drawLine(QPointF(11.5, 1.5), QPointF(5.5, 10));
      p.setPen(QPen(QColor(180, 30, 30), 1.3));
      p.setBrush(Qt::NoBrush);
      p.drawEllipse(QPointF(4.5, 12), 2.5, 2.5);
      p.drawEllipse(QPointF(11.5, 12), 2.5, 2.5);
      break;
    case ToolImage::Copy:
      Page(p, QRectF(1.5, 1.5, 8, 10));
      Page(p, QRectF(6.5, 4.5, 8, 10));
      break;
    case ToolImage::Paste:
      p.setPen(QPen(kOutline, 0.8));
      p.setBrush(QColor(170, 120, 60));
      p.drawRoundedRect(QRectF(1.5, 2.5, 10, 12), 1, 1);
      p.setBrush(QColor(190, 190, 190));
      p.drawRect(QRectF(4, 1, 5, 3));
      Page(p, QRectF(7, 6.5, 7.5, 8.5));
      break;
  }
}

QPixmap Render(ToolImage image, int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / 16.0, size / 16.0);
  Draw(p, image);
  return pixmap;
}
}  // namespace

QIcon ToolIcon(ToolImage image) {
  QIcon icon;
  for (int size : {16, 32}) icon.addPixmap(Render(image, size));
  return icon;
}

}  // namespace kelvane
