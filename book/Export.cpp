// Export of every entry to the clipboard, as plain text in the list's order.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "app/Module1.h"
#include "book/Codec.h"
#include "book/Window1.h"
#include "framework/Clipboard.h"
#include "framework/EventLoop.h"
#include "framework/MsgBox.h"
#include "framework/Text.h"

namespace kestrion {

namespace {
const char* kWarning =
    "EXPORT ALL...  This menu option will export all passwords to the clipboard in alphabetical order so "
    "you can then paste them anywhere you like.  For example, if you wanted to paste them to an iPhone "
    "NOTE, first, go to MAIL on your Mac and click on NOTE. You could then PASTE your passwords to that "
    "NOTE and the next time you sync your iPhone, all of your passwords will be on your iPhone under "
    "that note.  CAUTION, Be careful when exporting!  Exported passwords are not encrypted.  You do not "
    "want to paste to an unsecure area where others may gain access to your passwords!";

}  // namespace

bool Window1::_FileExport_Action() {
  // CR LF whatever the platform's own line end, so the text pastes the same anywhere.
  const std::string eol = fw::Chr(13) + fw::Chr(10);

  AttentionSound();
  if (fw::MsgBox(kWarning + eol + "DO YOU WISH TO CONTINUE? ", fw::MsgBoxStyle::kYesNo + fw::MsgBoxStyle::kQuestion,
                 "") != fw::MsgBoxAnswer::kYes) {
    fw::MsgBox("Export Cancelled");
    return true;
  }

  auto rs = PassDataBase->SQLSelect("select * from PassData", false);
  if (PassDataBase->Error()) {
    // Nothing was read: saying the passwords were exported would be untrue, and
    // the clipboard and the list keep what they held.
    fw::MsgBox(PassDataBase->ErrorMessage());
    return true;
  }

  // One pass over the rows fills the list, each row tagged with its number
  // in the table, and decodes every field, the lines after the name kept end
  // to end in one text. After the sort each listed name takes the lines of
  // its own row, found by the tag without a second scan; a name listed more
  // than once takes those of the first row that has it, which the sort lists
  // first among its equals.
  fw::Listbox& list = Listbox1();
  list.DeleteAllRows();
  const fw::DatabaseField& site = rs->Field("Site");
  const fw::DatabaseField* const after_name[] = {&rs->Field("UserName"), &rs->Field("PassWord"),
                                                 &rs->Field("Notes"), &rs->Field("WebAddress")};
  std::string lines;
  std::vector<size_t> lines_at{0};
  size_t names_size = 0;
  int n = -1;
  while (!rs->Eof()) {
    const std::string name = Decrypt(site.StringValue());
    names_size += name.size();
    list.AddRow(name);
    list.SetRowTag(list.ListCount() - 1, n + 1);
    for (const fw::DatabaseField* field : after_name) {
      DecryptAppend(field->StringValue(), lines);
      lines += eol;
    }
    lines += eol;
    lines_at.push_back(lines.size());
    rs->MoveNext();
    ++n;
    fw::Yield();
  }
  list.Sort();

  fw::Clipboard clip;
  // A listed name always has its row; were one missing, its lines would be
  // empty, as fields read past the last row are.
  const std::string no_row = eol + eol + eol + eol + eol;
  std::string text;
  text.reserve(names_size + static_cast<size_t>(n + 1) * eol.size() + lines.size());
  std::string previous;
  long long previous_row = -1;
  for (int i = 0; i <= n; ++i) {
    std::string listed = list.Cell(i, 0);
    long long row = list.RowTag(i);
    if (i > 0 && listed == previous) row = previous_row;
    if (row < 0 || row > n) row = -1;
    text += listed;
    text += eol;
    if (row >= 0) {
      text.append(lines, lines_at[row], lines_at[row + 1] - lines_at[row]);
    } else {
      text += no_row;
    }
    previous.swap(listed);
    previous_row = row;
    fw::Yield();
  }
  clip.SetText(std::move(text));
  Module1::ClearClipBoard = 1;

  fw::MsgBox(
      "Your Passwords Have Been Exported to the Clipboard.  Paste Your Passwords Before Closing Kestrion." + eol +
      "Kestrion Will Erase the Clipboard When the Kestrion is Closed.");
  return true;
}

}  // namespace kestrion
