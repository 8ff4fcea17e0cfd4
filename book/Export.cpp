// Export of every entry to the clipboard, as plain text in the list's order.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

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

// The first row, in the table's order, of each site name. An open-addressing
// table over the names as they were read: finding a name costs a slot or two
// and no allocation, which matters for a book of many thousand entries.
class FirstRowOf {
 public:
  explicit FirstRowOf(const std::vector<std::string>& names) : names_(names) {
    size_t size = 16;
    while (size < 2 * names.size()) size *= 2;
    slots_.assign(size, Slot{});
    for (size_t row = 0; row < names.size(); ++row) {
      const size_t hash = std::hash<std::string>{}(names[row]);
      Slot& slot = slots_[Place(names[row], hash)];
      if (slot.row == 0) slot = Slot{static_cast<uint32_t>(row + 1), static_cast<uint32_t>(hash)};
    }
  }

  // The row of the name, or -1 when no row has it.
  long long Find(const std::string& name) const {
    return static_cast<long long>(slots_[Place(name, std::hash<std::string>{}(name))].row) - 1;
  }

 private:
  struct Slot {
    uint32_t row = 0;  // the row + 1; 0: the slot is free
    uint32_t hash = 0;
  };

  // The slot that holds the name, or the free one where it would go.
  size_t Place(const std::string& name, size_t hash) const {
    const size_t mask = slots_.size() - 1;
    for (size_t i = hash & mask;; i = (i + 1) & mask) {
      const Slot& s = slots_[i];
      if (s.row == 0 || (s.hash == static_cast<uint32_t>(hash) && names_[s.row - 1] == name)) return i;
    }
  }

  const std::vector<std::string>& names_;
  std::vector<Slot> slots_;
};
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

  // One pass over the rows fills the list and decodes every field, the lines
  // after the name kept end to end in one text; each listed name then takes
  // the lines of the first row that has it, found without a second scan.
  Listbox1().DeleteAllRows();
  std::vector<std::string> sites;
  std::string lines;
  std::vector<size_t> lines_at{0};
  size_t names_size = 0;
  int n = -1;
  while (!rs->Eof()) {
    sites.push_back(Decrypt(rs->Field("Site").StringValue()));
    names_size += sites.back().size();
    for (const char* column : {"UserName", "PassWord", "Notes", "WebAddress"}) {
      lines += Decrypt(rs->Field(column).StringValue());
      lines += eol;
    }
    lines += eol;
    lines_at.push_back(lines.size());
    Listbox1().AddRow(sites.back());
    rs->MoveNext();
    ++n;
    fw::Yield();
  }
  Listbox1().Sort();
  const FirstRowOf first_row_of(sites);

  fw::Clipboard clip;
  // A listed name always has its row; were one missing, its lines would be
  // empty, as fields read past the last row are.
  const std::string no_row = eol + eol + eol + eol + eol;
  std::string text;
  text.reserve(names_size + sites.size() * eol.size() + lines.size());
  for (int i = 0; i <= n; ++i) {
    const std::string listed = Listbox1().Cell(i, 0);
    text += listed;
    text += eol;
    const long long row = first_row_of.Find(listed);
    if (row >= 0) {
      text.append(lines, lines_at[row], lines_at[row + 1] - lines_at[row]);
    } else {
      text += no_row;
    }
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
