// The filtered view of the history and its transfer into the grid's cells.
#include "app/app_texts.h"
#include "app/vellomarch_frm.h"
#include "history/clip_history.h"
#include "listview/text_case.h"

#include <cstddef>
#include <string_view>

namespace vm {
namespace {

// Spaces and control characters around the search text are ignored; inner spaces count.
std::u16string TrimSpacesAndControls(const std::u16string& AText) {
  std::size_t First = 0, Last = AText.size();
  while (First < Last && AText[First] <= u' ') ++First;
  while (Last > First && AText[Last - 1] <= u' ') --Last;
  return AText.substr(First, Last - First);
}

// The first place from AFirst on, before ALast, where AWord may start: its first unit, and its
// second one too when it has two, since the first letter alone turns up every few dozen units in
// any text. Sixteen places are tried at a time without a branch, which the compiler turns into
// vector compares: a keystroke searches every entry's whole text, megabytes of it in a long
// history. The second unit read at the last place is still inside the text then.
template <class TPlace> const char16_t* FindPlace(const char16_t* AFirst, const char16_t* ALast, TPlace APlace) {
  constexpr std::ptrdiff_t Block = 16;
  while (ALast - AFirst >= Block) {
    bool Any = false;
    for (std::ptrdiff_t I = 0; I < Block; ++I) Any |= APlace(AFirst + I);
    if (Any) break;
    AFirst += Block;
  }
  while (AFirst != ALast && !APlace(AFirst)) ++AFirst;
  return AFirst;
}

const char16_t* FindStart(const char16_t* AFirst, const char16_t* ALast, std::u16string_view AWord) {
  const char16_t Unit0 = AWord[0];
  if (AWord.size() == 1) return FindPlace(AFirst, ALast, [Unit0](const char16_t* AAt) { return *AAt == Unit0; });
  const char16_t Unit1 = AWord[1];
  return FindPlace(AFirst, ALast,
                   [Unit0, Unit1](const char16_t* AAt) { return (AAt[0] == Unit0) & (AAt[1] == Unit1); });
}

bool ContainsText(std::u16string_view AText, std::u16string_view AWord) {
  if (AWord.empty()) return true;
  if (AWord.size() > AText.size()) return false;
  const char16_t* First = AText.data();
  const char16_t* const LastStart = AText.data() + (AText.size() - AWord.size()) + 1;
  while ((First = FindStart(First, LastStart, AWord)) != LastStart) {
    if (std::u16string_view(First, AWord.size()) == AWord) return true;
    ++First;
  }
  return false;
}

} // namespace

void TVellomarchFrm::RebuildView() {
  FView.clear();
  if (!FHistory) return;
  const std::u16string Search = LowerCaseText(TrimSpacesAndControls(P.Popup.SearchText()));
  const TClipItemList& Items = FHistory->Items();
  const int Count = Items.Count();
  for (int I = 0; I < Count; ++I) {
    const TClipItem& Item = Items[I];
    bool Listed = true;
    if (!Search.empty()) {
      // The whole text is searched, every line and every path of a file list, not the label
      // the row shows. Pictures have no text and never match.
      Listed = Item.ItemType != citImage &&
               ContainsText(Item.SearchText.Get(Item.Text, LowerCaseText), Search);
    }
    if (Listed) FView.push_back(I);
  }
}

void TVellomarchFrm::RefreshGrid() {
  const int ViewCount = static_cast<int>(FView.size());
  // An empty view still shows one blank row, never highlighted.
  const int RowCount = ViewCount > 0 ? ViewCount : 1;
  P.Popup.SetRowCount(RowCount);
  for (int Row = 0; Row < RowCount; ++Row) {
    if (Row >= ViewCount) {
      P.Popup.SetCell(0, Row, u"");
      P.Popup.SetCell(1, Row, u"");
      continue;
    }
    const TClipItem& Item = FHistory->Items()[FView[static_cast<std::size_t>(Row)]];
    std::u16string Marks = Item.Pinned ? texts::PinnedMark : u"";
    if (Item.ItemType == citImage) Marks += texts::ImageMark;
    else if (Item.ItemType == citFiles) Marks += texts::FilesMark;
    P.Popup.SetCell(0, Row, Marks);
    P.Popup.SetCell(1, Row, Item.ItemType == citImage ? std::u16string() : Item.DisplayText());
  }
  if (P.Popup.CurrentRow() >= RowCount) P.Popup.SetCurrentRow(RowCount - 1);
  P.Popup.InvalidateGrid();
}

int TVellomarchFrm::SelectedHistoryIndex() {
  if (FView.empty()) return -1;
  const int Row = P.Popup.CurrentRow();
  if (Row < 0 || Row >= static_cast<int>(FView.size())) return -1;
  return FView[static_cast<std::size_t>(Row)];
}

void TVellomarchFrm::SearchEditChange() {
  RebuildView();
  if (!FView.empty()) P.Popup.SetCurrentRow(0);
  RefreshGrid();
}

} // namespace vm
