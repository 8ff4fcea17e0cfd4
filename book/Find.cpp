// Find, list and open an entry. Every stored value is scrambled, so every
// lookup reads the whole table and compares decoded values row by row.
#include "app/Module1.h"
#include "book/Window1.h"
#include "framework/Clipboard.h"
#include "framework/EventLoop.h"
#include "framework/MsgBox.h"
#include "framework/Text.h"

namespace kestrion {

namespace {
constexpr int kListHeight = 385;

// Every row of the book, or nil once the user has been told why it could not
// be read: a failed read must not look like an empty book ("Password Not Found").
std::shared_ptr<fw::RecordSet> AllRows(Window1& w) {
  if (!w.PassDataBase) return nullptr;
  auto rs = w.PassDataBase->SQLSelect("select * from PassData", false);
  const std::string why = Window1::DatabaseRefusal(*w.PassDataBase);
  if (why.empty()) return rs;
  w.AttentionSound();
  fw::MsgBox(why);
  return nullptr;
}

// The find's match rule: the trimmed search text, as typed at this moment,
// in the decoded site name or else in the decoded notes (the field of the
// row the set stands on).
bool Matches(fw::TextField& search, const std::string& site, const fw::DatabaseField& notes) {
  const std::string pattern = fw::Trim(search.Text());
  return fw::InStr(site, pattern) > 0 || fw::InStr(Window1::Decrypt(notes), pattern) > 0;
}

// The five fields from the row the set stands on (empty at its end).
void FillFields(Window1& w, fw::RecordSet& rs) {
  w.WebSystem().SetText(Window1::Decrypt(rs.Field("Site")));
  w.UserNameTxt().SetText(Window1::Decrypt(rs.Field("UserName")));
  w.PassWord().SetText(Window1::Decrypt(rs.Field("PassWord")));
  w.Notes().SetText(Window1::Decrypt(rs.Field("Notes")));
  w.WebAddress().SetText(Window1::Decrypt(rs.Field("WebAddress")));
  if (w.WebAddress().Text().empty()) w.WebAddress().SetText("http://www.");
}

void ShowList(Window1& w) {
  w.RoundRectangle2().SetVisible(false);
  Window1::Instance().SetHeight(kListHeight);
}
}  // namespace

void Window1::FindButton_Action(fw::BevelButton&) {
  if (!SearchText().Text().empty()) {
    FindRecord();
    return;
  }
  AttentionSound();
  fw::MsgBox("Search Box Empty" + fw::EndOfLine() + fw::EndOfLine() +
             "Must Enter Search Text Before Pressing the Find Button or Enter Key");
}

bool Window1::SearchText_KeyDown(fw::TextField&, const std::string& key) {
  if (fw::Asc(key) > 127) return true;
  if (key == fw::Chr(13)) FindRecord();
  return false;
}

bool Window1::SearchText_MouseDown(fw::TextField&, int32_t, int32_t) {
  GoBackAction();
  return false;
}

void Window1::FindRecord() {
  if (SearchText().Text().empty()) return;
  auto rs = AllRows(*this);
  if (!rs) return;
  fw::TextField& search = SearchText();
  fw::Listbox& list = Listbox1();
  list.DeleteAllRows();
  Module1::counter = 0;
  long row = 0, first_match = -1;
  std::string first_site;
  const fw::DatabaseField& site_field = rs->Field("Site");
  const fw::DatabaseField& notes_field = rs->Field("Notes");
  while (!rs->Eof()) {
    const std::string site = Decrypt(site_field);
    if (Matches(search, site, notes_field)) {
      list.AddRow(site);
      ++Module1::counter;
      if (first_match < 0) {
        first_match = row;
        first_site = site;
      }
    }
    rs->MoveNext();
    ++row;
    fw::Yield();
  }

  if (Module1::counter > 1) {
    ShowList(*this);
    Listbox1().SetVisible(true);
    Listbox1().Sort();
    return;
  }

  // One match opens it; none leaves the set at its end, where every field
  // reads empty, and so ends in "Password Not Found". The first match is
  // where the count met it, as long as the rows are as the count read them:
  // user input waits while the count yields, so the search text is the same,
  // but the rows are read again from the file, and another copy of the
  // program may have changed them in between. Then the match is looked for
  // again among the rows as they are now.
  Listbox1().SetVisible(false);
  rs->MoveFirst();
  for (long i = 0; !rs->Eof() && i != first_match; ++i) rs->MoveNext();
  if (first_match >= 0 && (rs->Eof() || Decrypt(site_field) != first_site)) {
    rs->MoveFirst();
    while (!rs->Eof() && !Matches(search, Decrypt(site_field), notes_field)) {
      rs->MoveNext();
      fw::Yield();
    }
  }
  FillFields(*this, *rs);
  Module1::UpdateSiteString = Decrypt(rs->Field("Site"));
  RememberOpenedRow(*rs);
  fw::Clipboard clip;
  clip.SetText(Decrypt(rs->Field("PassWord")));
  ClipInfo().SetVisible(true);
  rs->Close();
  // After the fills, whose text changes enabled it.
  SaveButton().SetCaption("UPDATE");
  SaveButton().SetEnabled(false);
  if (WebSystem().Text().empty() && PassWord().Text().empty() && Notes().Text().empty()) {
    AttentionSound();
    fw::MsgBox("Password Not Found");
    ShrinkWindow();
  } else {
    ExpandWindow();
  }
}

bool Window1::Listbox1_CellClick(fw::Listbox& list, int32_t row, int32_t column, int32_t, int32_t) {
  // Read first: a book that cannot be read leaves the list as it is.
  auto rs = AllRows(*this);
  if (!rs) return false;
  Listbox1().SetVisible(false);
  RoundRectangle2().SetVisible(true);

  // The row whose site is the clicked name letter for letter; failing that,
  // the first equal to it ignoring letter case. Two stored names may differ
  // in letter case alone (an UPDATE can rename an entry so), and each must
  // open from its own row of the list.
  bool equal_seen = false;
  const fw::DatabaseField& site_field = rs->Field("Site");
  while (!rs->Eof()) {
    const std::string cell = list.Cell(row, column);
    const std::string site = Decrypt(site_field);
    if (site == cell) break;
    equal_seen = equal_seen || fw::Equals(site, cell);
    rs->MoveNext();
    fw::Yield();
  }
  // Read again from the file, the rows may have changed since the walk (another
  // copy of the program): the first equal name is looked for again.
  if (rs->Eof() && equal_seen) {
    rs->MoveFirst();
    while (!rs->Eof() && !fw::Equals(Decrypt(site_field), list.Cell(row, column))) {
      rs->MoveNext();
      fw::Yield();
    }
  }

  FillFields(*this, *rs);
  Module1::UpdateSiteString = Decrypt(rs->Field("Site"));
  RememberOpenedRow(*rs);
  ExpandWindow();
  SearchText().SetEnabled(true);
  fw::Clipboard clip;
  clip.SetText(Decrypt(rs->Field("PassWord")));
  ClipInfo().SetVisible(true);
  rs->Close();
  SaveButton().SetCaption("UPDATE");
  SaveButton().SetEnabled(false);
  if (WebSystem().Text().empty() && UserNameTxt().Text().empty() && PassWord().Text().empty() &&
      Notes().Text().empty()) {
    ShrinkWindow();
    fw::MsgBox("Password Not Found");
  }
  return false;
}

bool Window1::_FileShowAll_Action() {
  auto rs = AllRows(*this);
  if (!rs) return true;
  fw::Listbox& list = Listbox1();
  list.DeleteAllRows();
  const fw::DatabaseField& site = rs->Field("Site");
  while (!rs->Eof()) {
    list.AddRow(Decrypt(site));
    rs->MoveNext();
    fw::Yield();
  }
  ShowList(*this);
  Listbox1().Sort();
  Listbox1().SetVisible(true);
  return true;
}

}  // namespace kestrion
