#include "framework/qt/ButtonWidget.h"

#include <QPushButton>

#include "framework/controls/Control.h"

namespace fw {

QPushButton* NewButtonWidget(Control* owner) {
  auto* b = new QPushButton;
  b->setAutoDefault(false);
  b->setDefault(false);
  QObject::connect(b, &QPushButton::clicked, b, [owner] { owner->OnAction(); });
  return b;
}

}  // namespace fw
