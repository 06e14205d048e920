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

// The first unit equal to AUnit, or ALast. Sixteen units are compared at a time without a
// branch, which the compiler turns into vector compares: a keystroke searches every entry's
// whole text, megabytes of it in a long history.
const char16_t* FindUnit(const char16_t* AFirst, const char16_t* ALast, char16_t AUnit) {
  constexpr std::ptrdiff_t Block = 16;
  while (ALast - AFirst >= Block) {
    bool Any = false;
    for (std::ptrdiff_t I = 0; I < Block; ++I) Any |= AFirst[I] == AUnit;
    if (Any) break;
    AFirst += Block;
  }
  while (AFirst != ALast && *AFirst != AUnit) ++AFirst;
  return AFirst;
}

bool ContainsText(std::u16string_view AText, std::u16string_view AWord) {
  if (AWord.empty()) return true;
  if (AWord.size() > AText.size()) return false;
  const char16_t* First = AText.data();
  const char16_t* const LastStart = AText.data() + (AText.size() - AWord.size()) + 1;
  while ((First = FindUnit(First, LastStart, AWord.front())) != LastStart) {
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
