#include "framework/Clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <algorithm>

#include "framework/EventLoop.h"
#include "framework/qt/QtText.h"

namespace fw {

std::string Clipboard::Text() const {
  return QGuiApplication::clipboard() ? FromQ(QGuiApplication::clipboard()->text()) : std::string();
}

void Clipboard::SetText(std::string text) {
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (!clipboard) return;
  // Handed over as UTF-8, as it is: Qt converts it only when it is asked for
  // the text, so a long text (an export of the whole book) costs no
  // conversion now, and half the memory of a QString. It is copied a slice at
  // a time, letting the event loop run between slices; the text is this
  // call's own, so a handler run meanwhile cannot change it underneath.
  constexpr std::size_t kSlice = std::size_t{1} << 20;
  QByteArray bytes;
  bytes.reserve(static_cast<qsizetype>(text.size()));
  for (std::size_t at = 0; at < text.size(); at += kSlice) {
    bytes.append(text.data() + at, static_cast<qsizetype>(std::min(kSlice, text.size() - at)));
    if (text.size() > kSlice) Yield();
  }
  std::string().swap(text);
  auto* data = new QMimeData;
  data->setData(QStringLiteral("text/plain"), bytes);
  clipboard->setMimeData(data);
}

bool Clipboard::TextAvailable() const {
  if (!QGuiApplication::clipboard()) return false;
  const QMimeData* m = QGuiApplication::clipboard()->mimeData();
  return m && m->hasText();
}

}  // namespace fw
