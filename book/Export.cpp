// Export of every entry to the clipboard, as plain text in the list's order.
#include <algorithm>
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

// The lines after each row's name, end to end in blocks of about a megabyte.
// A block never moves once written: a large book costs no copy of all that was
// decoded so far each time the text grows, and the blocks go one at a time.
class RowLines {
 public:
  void Add(const std::string& lines) {
    constexpr size_t kBlock = size_t{1} << 20;
    if (blocks_.empty() || blocks_.back().capacity() - blocks_.back().size() < lines.size()) {
      blocks_.emplace_back();
      blocks_.back().reserve(std::max(kBlock, lines.size()));
    }
    std::string& block = blocks_.back();
    rows_.push_back(Piece{blocks_.size() - 1, block.size(), lines.size()});
    block += lines;
    size_ += lines.size();
  }
  size_t Rows() const { return rows_.size(); }
  size_t Size() const { return size_; }
  void AppendTo(std::string& text, size_t row) const {
    const Piece& p = rows_[row];
    text.append(blocks_[p.block], p.offset, p.length);
  }
  // Gives the memory back a block at a time, letting the event loop run.
  void Release() {
    for (std::string& block : blocks_) {
      std::string().swap(block);
      fw::Yield();
    }
    blocks_.clear();
    rows_.clear();
  }

 private:
  struct Piece {
    size_t block, offset, length;
  };
  std::vector<std::string> blocks_;
  std::vector<Piece> rows_;
  size_t size_ = 0;
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
  RowLines lines;
  std::string row_lines;
  size_t names_size = 0;
  int n = -1;
  while (!rs->Eof()) {
    const std::string name = Decrypt(site.StringValue());
    names_size += name.size();
    list.AddRow(name);
    list.SetRowTag(list.ListCount() - 1, n + 1);
    row_lines.clear();
    for (const fw::DatabaseField* field : after_name) {
      DecryptAppend(field->StringValue(), row_lines);
      row_lines += eol;
    }
    row_lines += eol;
    lines.Add(row_lines);
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
  text.reserve(names_size + static_cast<size_t>(n + 1) * eol.size() + lines.Size());
  std::string previous;
  long long previous_row = -1;
  for (int i = 0; i <= n; ++i) {
    std::string listed = list.Cell(i, 0);
    long long row = list.RowTag(i);
    if (i > 0 && listed == previous) row = previous_row;
    if (row < 0 || static_cast<size_t>(row) >= lines.Rows()) row = -1;
    text += listed;
    text += eol;
    if (row >= 0) {
      lines.AppendTo(text, static_cast<size_t>(row));
    } else {
      text += no_row;
    }
    previous.swap(listed);
    previous_row = row;
    fw::Yield();
  }
  lines.Release();
  clip.SetText(std::move(text));
  Module1::ClearClipBoard = 1;

  fw::MsgBox(
      "Your Passwords Have Been Exported to the Clipboard.  Paste Your Passwords Before Closing Kestrion." + eol +
      "Kestrion Will Erase the Clipboard When the Kestrion is Closed.");
  return true;
}

}  // namespace kestrion
