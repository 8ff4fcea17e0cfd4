// Export of every entry to the clipboard, as plain text in the list's order.
#include <algorithm>
#include <cstdint>
#include <cstring>
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

// The lines after each row's name, end to end in blocks of about a megabyte,
// each row's after their length. A block never moves once written: a large
// book costs no copy of all that was decoded so far each time the text grows,
// and the blocks go one at a time. A row's lines are found by their place
// (block and offset in one number), which the list keeps as the row's tag:
// taking them in the list's order then reads one spot of memory per row.
class RowLines {
 public:
  // Keeps the lines; returns their place.
  long long Add(const std::string& lines) {
    constexpr size_t kBlock = size_t{1} << 20;
    const uint32_t length = static_cast<uint32_t>(lines.size());
    const size_t need = sizeof length + lines.size();
    if (blocks_.empty() || blocks_.back().capacity() - blocks_.back().size() < need) {
      blocks_.emplace_back();
      blocks_.back().reserve(std::max(kBlock, need));
    }
    std::string& block = blocks_.back();
    const long long place = static_cast<long long>((blocks_.size() - 1) << 32 | block.size());
    block.append(reinterpret_cast<const char*>(&length), sizeof length);
    block += lines;
    size_ += lines.size();
    return place;
  }
  size_t Size() const { return size_; }
  // Appends the lines kept at `place`; false when none are kept there.
  bool AppendTo(std::string& text, long long place) const {
    if (place < 0) return false;
    const size_t block = static_cast<size_t>(place) >> 32, offset = static_cast<size_t>(place) & 0xffffffffu;
    if (block >= blocks_.size()) return false;
    const std::string& b = blocks_[block];
    uint32_t length = 0;
    if (offset > b.size() || b.size() - offset < sizeof length) return false;
    std::memcpy(&length, b.data() + offset, sizeof length);
    if (b.size() - offset - sizeof length < length) return false;
    text.append(b, offset + sizeof length, length);
    return true;
  }
  // Asks for the lines at `place` to be brought near, ahead of AppendTo:
  // taken in the list's order, the rows' lines lie all over the blocks.
  void Prefetch(long long place) const {
    if (place < 0) return;
    const size_t block = static_cast<size_t>(place) >> 32, offset = static_cast<size_t>(place) & 0xffffffffu;
    if (block >= blocks_.size() || offset >= blocks_[block].size()) return;
    __builtin_prefetch(blocks_[block].data() + offset);
  }
  // Gives the memory back a block at a time, letting the event loop run.
  void Release() {
    for (std::string& block : blocks_) {
      std::string().swap(block);
      fw::Yield();
    }
    blocks_.clear();
  }

 private:
  std::vector<std::string> blocks_;
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
    fw::MsgBox(DatabaseRefusal(*PassDataBase));
    return true;
  }

  // One pass over the rows fills the list and decodes every field, the lines
  // after the name kept aside, each row tagged with the place of its lines.
  // After the sort each listed name takes the lines of its own row, found by
  // the tag without a second scan; a name listed more than once takes those
  // of the first row that has it, which the sort lists first among its equals.
  fw::Listbox& list = Listbox1();
  list.DeleteAllRows();
  const fw::DatabaseField& site = rs->Field("Site");
  const fw::DatabaseField* const after_name[] = {&rs->Field("UserName"), &rs->Field("PassWord"),
                                                 &rs->Field("Notes"), &rs->Field("WebAddress")};
  RowLines lines;
  // Texts reused from row to row: a large book costs no new text for each value.
  std::string value, name, row_lines;
  size_t names_size = 0;
  int n = -1;
  while (!rs->Eof()) {
    site.ReadInto(value);
    name.clear();
    DecryptAppend(value, name);
    names_size += name.size();
    row_lines.clear();
    for (const fw::DatabaseField* field : after_name) {
      field->ReadInto(value);
      DecryptAppend(value, row_lines);
      row_lines += eol;
    }
    row_lines += eol;
    list.AddRow(name);
    list.SetRowTag(list.ListCount() - 1, lines.Add(row_lines));
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
  long long previous_place = -1;
  constexpr int kAhead = 16;
  for (int i = 0; i < kAhead && i <= n; ++i) lines.Prefetch(list.RowTag(i));
  for (int i = 0; i <= n; ++i) {
    if (i + kAhead <= n) lines.Prefetch(list.RowTag(i + kAhead));
    std::string listed = list.Cell(i, 0);
    long long place = list.RowTag(i);
    if (i > 0 && listed == previous) place = previous_place;
    text += listed;
    text += eol;
    if (!lines.AppendTo(text, place)) text += no_row;
    previous.swap(listed);
    previous_place = place;
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
