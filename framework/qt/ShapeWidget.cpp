#include "framework/qt/ShapeWidget.h"

#include <QPainter>

namespace fw {

void ShapeWidget::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing, oval_w > 0);
  QPen pen(QColor::fromRgb(border));
  pen.setWidth(border_width);
  p.setPen(border_width > 0 ? pen : Qt::NoPen);
  p.setBrush(QColor::fromRgb(fill));
  const qreal h = border_width / 2.0;
  QRectF r = QRectF(rect()).adjusted(h, h, -h, -h);
  if (oval_w > 0) {
    p.drawRoundedRect(r, oval_w / 2.0, oval_h / 2.0);
  } else {
    p.drawRect(r);
  }
}

}  // namespace fw
