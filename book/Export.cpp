// Export of every entry to the clipboard, as plain text in the list's order.
#include <string>
#include <unordered_map>

#include "app/Module1.h"
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

  // One pass over the rows: the list gets every site name, and the first row
  // (in the table's order) of each name gives the lines that follow it in the
  // export, so no row is looked for twice.
  Listbox1().DeleteAllRows();
  std::unordered_map<std::string, std::string> rest_of_block;
  size_t text_size = 0;
  int n = -1;
  while (!rs->Eof()) {
    std::string site = Decrypt(rs->Field("Site").StringValue());
    const auto [at, first] = rest_of_block.try_emplace(site);
    if (first) {
      std::string& rest = at->second;
      for (const char* column : {"UserName", "PassWord", "Notes", "WebAddress"}) {
        rest += Decrypt(rs->Field(column).StringValue());
        rest += eol;
      }
      rest += eol;
    }
    text_size += site.size() + eol.size() + at->second.size();
    Listbox1().AddRow(site);
    rs->MoveNext();
    ++n;
    fw::Yield();
  }
  Listbox1().Sort();

  fw::Clipboard clip;
  // A listed name always has its row; were one missing, its lines would be
  // empty, as fields read past the last row are.
  const std::string no_row = eol + eol + eol + eol + eol;
  std::string text;
  text.reserve(text_size);
  for (int i = 0; i <= n; ++i) {
    const std::string listed = Listbox1().Cell(i, 0);
    const auto found = rest_of_block.find(listed);
    text += listed;
    text += eol;
    text += found != rest_of_block.end() ? found->second : no_row;
    fw::Yield();
  }
  clip.SetText(text);
  Module1::ClearClipBoard = 1;

  fw::MsgBox(
      "Your Passwords Have Been Exported to the Clipboard.  Paste Your Passwords Before Closing Kestrion." + eol +
      "Kestrion Will Erase the Clipboard When the Kestrion is Closed.");
  return true;
}

}  // namespace kestrion
