#include "framework/qt/ShapeWidget.h"

#include <QPainter>
#include <algorithm>

namespace fw {

void ShapeWidget::paintEvent(QPaintEvent*) {
  QPainter p(this);
  if (oval_w <= 0) {
    // Edge by edge: the top and left edges over the bottom and right ones.
    const int b = std::max(border_width, 0), w = width(), h = height();
    p.fillRect(rect(), QColor::fromRgb(fill));
    if (b == 0) return;
    p.fillRect(0, h - b, w, b, QColor::fromRgb(border_bottom_right));
    p.fillRect(w - b, 0, b, h, QColor::fromRgb(border_bottom_right));
    p.fillRect(0, 0, w, b, QColor::fromRgb(border));
    p.fillRect(0, 0, b, h, QColor::fromRgb(border));
    return;
  }
  p.setRenderHint(QPainter::Antialiasing, true);
  QPen pen(QColor::fromRgb(border));
  pen.setWidth(border_width);
  p.setPen(border_width > 0 ? pen : Qt::NoPen);
  p.setBrush(QColor::fromRgb(fill));
  const qreal h = border_width / 2.0;
  QRectF r = QRectF(rect()).adjusted(h, h, -h, -h);
  p.drawRoundedRect(r, oval_w / 2.0, oval_h / 2.0);
}

}  // namespace fw
