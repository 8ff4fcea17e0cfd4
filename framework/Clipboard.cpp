#include "framework/Clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QVariant>
#include <utility>

#include "framework/qt/QtText.h"

namespace fw {

std::string Clipboard::Text() const {
  return QGuiApplication::clipboard() ? FromQ(QGuiApplication::clipboard()->text()) : std::string();
}

namespace {
// The clipboard's text, kept as the program gave it (UTF-8) and handed out
// only when someone asks for it: a paste in another program takes it as it
// is, and a long text (an export of the whole book) costs neither a copy nor
// a conversion to Qt's own text when it is set.
class TextData final : public QMimeData {
 public:
  explicit TextData(std::string text) : text_(std::move(text)) {}
  bool hasFormat(const QString& mime) const override { return mime == PlainText(); }
  QStringList formats() const override { return {PlainText()}; }

 protected:
  QVariant retrieveData(const QString& mime, QMetaType type) const override {
    if (mime != PlainText()) return {};
    if (type.id() == QMetaType::QString)
      return QString::fromUtf8(text_.data(), static_cast<qsizetype>(text_.size()));
    return QByteArray(text_.data(), static_cast<qsizetype>(text_.size()));
  }

 private:
  static QString PlainText() { return QStringLiteral("text/plain"); }
  const std::string text_;
};
}  // namespace

void Clipboard::SetText(std::string text) {
  if (QClipboard* clipboard = QGuiApplication::clipboard()) clipboard->setMimeData(new TextData(std::move(text)));
}

bool Clipboard::TextAvailable() const {
  if (!QGuiApplication::clipboard()) return false;
  const QMimeData* m = QGuiApplication::clipboard()->mimeData();
  return m && m->hasText();
}

}  // namespace fw
