#include "framework/Clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include "framework/qt/QtText.h"

namespace fw {

std::string Clipboard::Text() const {
  return QGuiApplication::clipboard() ? FromQ(QGuiApplication::clipboard()->text()) : std::string();
}

void Clipboard::SetText(const std::string& text) {
  if (QGuiApplication::clipboard()) QGuiApplication::clipboard()->setText(ToQ(text));
}

bool Clipboard::TextAvailable() const {
  if (!QGuiApplication::clipboard()) return false;
  const QMimeData* m = QGuiApplication::clipboard()->mimeData();
  return m && m->hasText();
}

}  // namespace fw
