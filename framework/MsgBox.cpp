#include "framework/MsgBox.h"

#include <QMessageBox>

#include "framework/Application.h"
#include "framework/Seams.h"
#include "framework/database/sqlite/RecordSetData.h"
#include "framework/qt/QtText.h"

namespace fw {

void MsgBox(const std::string& text) { MsgBox(text, MsgBoxStyle::kOK, ""); }

int MsgBox(const std::string& text, int style, const std::string& title) {
  // The box may stay open as long as the user likes: a record set standing on
  // a row meanwhile would keep other programs from writing the database.
  sqlite::ParkRecordSets();
  // A copy: the responder may take itself away while it runs.
  if (const seams::BoxResponder answer = seams::CurrentBoxResponder()) return answer(text, style, title);

  QMessageBox box;
  box.setText(DisplayText(text));
  box.setWindowTitle(ToQ(title.empty() ? ProgramName() : title));
  namespace S = MsgBoxStyle;
  namespace A = MsgBoxAnswer;
  switch (style & S::kIcon) {
    case S::kStop: box.setIcon(QMessageBox::Critical); break;
    case S::kQuestion: box.setIcon(QMessageBox::Question); break;
    case S::kCaution: box.setIcon(QMessageBox::Warning); break;
    case S::kNote: box.setIcon(QMessageBox::Information); break;
    default: break;
  }
  switch (style & S::kButtons) {
    case S::kOKCancel: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
    case S::kAbortRetryIgnore:
      box.setStandardButtons(QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore);
      break;
    case S::kYesNoCancel: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel); break;
    case S::kYesNo: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
    case S::kRetryCancel: box.setStandardButtons(QMessageBox::Retry | QMessageBox::Cancel); break;
    default: box.setStandardButtons(QMessageBox::Ok); break;
  }
  switch (box.exec()) {
    case QMessageBox::Ok: return A::kOK;
    case QMessageBox::Cancel: return A::kCancel;
    case QMessageBox::Abort: return A::kAbort;
    case QMessageBox::Retry: return A::kRetry;
    case QMessageBox::Ignore: return A::kIgnore;
    case QMessageBox::Yes: return A::kYes;
    case QMessageBox::No: return A::kNo;
    default: return (style & S::kButtons) == S::kYesNo ? A::kNo : A::kCancel;  // closed without a button
  }
}

}  // namespace fw
