#include "framework/controls/Label.h"

#include <QLabel>

#include "framework/qt/ControlImpl.h"
#include "framework/qt/QtText.h"

namespace fw {

namespace {
QLabel* NewLabel() {
  auto* l = new QLabel;
  l->setTextFormat(Qt::PlainText);
  l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  return l;
}
}  // namespace

Label::Label() : Control(std::make_unique<Impl>(NewLabel())) {}

// The program's text as given (CR line ends and all); the label shows it with LF.
std::string Label::Text() const { return FromQ(WidgetAs<QLabel>(*this)->property("fw_text").toString()); }
void Label::SetText(const std::string& text) {
  auto* l = WidgetAs<QLabel>(*this);
  l->setProperty("fw_text", ToQ(text));
  l->setText(DisplayText(text));
}
void Label::SetTextAlign(int align) {
  auto* l = WidgetAs<QLabel>(*this);
  Qt::Alignment v = l->alignment() & Qt::AlignVertical_Mask;
  Qt::Alignment h = align == 1 ? Qt::AlignHCenter : align == 2 ? Qt::AlignRight : Qt::AlignLeft;
  l->setAlignment(h | v);
}
void Label::SetMultiline(bool on) {
  auto* l = WidgetAs<QLabel>(*this);
  l->setWordWrap(on);
  Qt::Alignment h = l->alignment() & Qt::AlignHorizontal_Mask;
  l->setAlignment(h | (on ? Qt::AlignTop : Qt::AlignVCenter));
}

}  // namespace fw
