#include "framework/MsgBox.h"

#include <QMessageBox>

#include "framework/qt/QtText.h"
#include "framework/Seams.h"

namespace fw {

void MsgBox(const std::string& text) { MsgBox(text, 0, ""); }

int MsgBox(const std::string& text, int style, const std::string& title) {
  // A copy: the responder may take itself away while it runs.
  if (const seams::BoxResponder answer = seams::CurrentBoxResponder()) return answer(text, style, title);

  QMessageBox box;
  box.setText(DisplayText(text));
  box.setWindowTitle(title.empty() ? QStringLiteral("Kestrion") : ToQ(title));
  switch (style & 0x70) {
    case 16: box.setIcon(QMessageBox::Critical); break;
    case 32: box.setIcon(QMessageBox::Question); break;
    case 48: box.setIcon(QMessageBox::Warning); break;
    case 64: box.setIcon(QMessageBox::Information); break;
    default: break;
  }
  switch (style & 7) {
    case 1: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
    case 2: box.setStandardButtons(QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore); break;
    case 3: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel); break;
    case 4: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
    case 5: box.setStandardButtons(QMessageBox::Retry | QMessageBox::Cancel); break;
    default: box.setStandardButtons(QMessageBox::Ok); break;
  }
  switch (box.exec()) {
    case QMessageBox::Ok: return 1;
    case QMessageBox::Cancel: return 2;
    case QMessageBox::Abort: return 3;
    case QMessageBox::Retry: return 4;
    case QMessageBox::Ignore: return 5;
    case QMessageBox::Yes: return 6;
    case QMessageBox::No: return 7;
    default: return (style & 7) == 4 ? 7 : 2;  // closed without a button
  }
}

}  // namespace fw
