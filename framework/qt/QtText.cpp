#include "framework/qt/QtText.h"

#include <QKeyEvent>
#include <algorithm>

namespace fw {

QString DisplayText(const std::string& s) {
  QString q = ToQ(s);
  q.replace("\r\n", "\n");
  q.replace('\r', '\n');
  return q;
}

int CharsOf(const QString& s, int utf16) { return static_cast<int>(s.left(utf16).toUcs4().size()); }

int Utf16Of(const QString& s, int chars) {
  int units = 0;
  for (int c = 0; c < chars && units < s.size(); ++c) units += s.at(units).isHighSurrogate() ? 2 : 1;
  return std::min<int>(units, static_cast<int>(s.size()));
}

std::string KeyText(const QKeyEvent* e) {
  switch (e->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter: return "\r";
    case Qt::Key_Escape: return "\x1b";
    case Qt::Key_Tab: return "\t";
    case Qt::Key_Backspace: return "\b";
    case Qt::Key_Delete: return "\x7f";
    case Qt::Key_Left: return "\x1c";
    case Qt::Key_Right: return "\x1d";
    case Qt::Key_Up: return "\x1e";
    case Qt::Key_Down: return "\x1f";
    case Qt::Key_Home: return "\x01";
    case Qt::Key_End: return "\x04";
    case Qt::Key_PageUp: return "\x0b";
    case Qt::Key_PageDown: return "\x0c";
    default: return FromQ(e->text());
  }
}

}  // namespace fw
