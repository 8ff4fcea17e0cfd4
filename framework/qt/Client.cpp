#include "framework/qt/Client.h"

#include <QPainter>

#include "framework/qt/PictureImpl.h"
#include "framework/qt/WindowImpl.h"

namespace fw {

void Client::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const Window::Impl& d = window_.impl();
  if (d.has_back_color) p.fillRect(rect(), QColor::fromRgb(d.back_color));
  if (d.backdrop) p.drawImage(0, 0, d.backdrop->impl().image);
}

}  // namespace fw
