#include "app/glyphs.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace chizro {

QIcon MakeGlyph(TGlyph glyph) {
  QPixmap pixmap(16, 16);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  const QColor ink(40, 40, 40);
  p.setPen(QPen(ink, 1));
  switch (glyph) {
    case TGlyph::Open: {  // an open folder
      p.setBrush(QColor(240, 200, 80));
      p.drawRect(QRectF(1.5, 4.5, 11, 9));
      p.setBrush(QColor(250, 225, 130));
      QPainterPath flap;
      flap.moveTo(3.5, 7.5);
      flap.lineTo(15.5, 7.5);
      flap.lineTo(12.5, 13.5);
      flap.lineTo(1.5, 13.5);
      flap.closeSubpath();
      p.drawPath(flap);
      break;
    }
    case TGlyph::Output: {  // a sheet with an arrow into it
      p.setBrush(Qt::white);
      p.drawRect(QRectF(6.5, 1.5, 8, 13));
      p.setPen(QPen(QColor(30, 90, 200), 2));
      p.drawLine(QPointF(1, 8), QPointF(10, 8));
      p.drawLine(QPointF(7, 5), QPointF(10, 8));
      p.drawLine(QPointF(7, 11), QPointF(10, 8));
      break;
    }
    case TGlyph::Settings: {  // a list with ticks
      p.setBrush(Qt::white);
      p.drawRect(QRectF(1.5, 1.5, 13, 13));
      for (int row = 0; row < 3; ++row) {
        const double y = 4.5 + row * 3.5;
        p.drawLine(QPointF(6.5, y), QPointF(12.5, y));
        p.fillRect(QRectF(3, y - 1, 2, 2), QColor(30, 140, 60));
      }
      break;
    }
    case TGlyph::Back: {  // an arrow back to the left
      p.setPen(QPen(QColor(200, 60, 40), 2));
      p.drawLine(QPointF(2, 8), QPointF(14, 8));
      p.drawLine(QPointF(6, 4), QPointF(2, 8));
      p.drawLine(QPointF(6, 12), QPointF(2, 8));
      break;
    }
    case TGlyph::None:
      break;
  }
  p.end();
  return QIcon(pixmap);
}

}  // namespace chizro
