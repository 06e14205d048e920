// The pointer over the grid, the window's keys, and the entry commands they share with the item
// menu: delete, pin, clear all.
#include <algorithm>
#include <memory>

#include "app/app_texts.h"
#include "app/vellomarch_frm.h"
#include "dialogs/disp_image_frm.h"
#include "history/clip_history.h"

namespace vm {
namespace {

constexpr std::uint16_t DigitOneKey = 0x31;
constexpr std::uint16_t DigitNineKey = 0x39;

} // namespace

void TVellomarchFrm::ClipHistoryGridMouseMove(int AX, int AY) {
  const TGridCell Cell = P.Popup.MouseToCell(AX, AY);
  const bool OnEntry = Cell.Row >= 0 && Cell.Row < static_cast<int>(FView.size());
  std::u16string Text;
  if (OnEntry) {
    const TClipItem& Item = FHistory->Items()[FView[static_cast<std::size_t>(Cell.Row)]];
    if (Item.ItemType != citImage) Text = Item.Text;
  }
  // Only a change of text replaces the hint; moving within the same entry keeps it showing.
  if (Text != FHoverText) {
    FHoverText = Text;
    P.Popup.SetGridHint(u"");
    P.Popup.HideHint();
    P.Popup.SetGridHint(Text);
  }
  P.Popup.SetGridCursor(OnEntry && Cell.Col == 0 ? TCursorShape::HandPoint : TCursorShape::Arrow);
}

void TVellomarchFrm::ClipHistoryGridMouseDown(TMouseButton AButton, int AX, int AY) {
  const TGridCell Cell = P.Popup.MouseToCell(AX, AY);
  const bool OnEntry = Cell.Row >= 0 && Cell.Row < static_cast<int>(FView.size());
  if (OnEntry) {
    P.Popup.SetCurrentRow(Cell.Row);
    P.Popup.InvalidateGrid();
  }
  if (AButton == TMouseButton::Right) {
    // Below the rows the selection stays, and the menu acts on the entry selected before.
    PopupItemMenu(P.Screen.GetCursorPos());
    return;
  }
  if (AButton != TMouseButton::Left || !OnEntry) return;
  const int Index = FView[static_cast<std::size_t>(Cell.Row)];
  if (Cell.Col == 0 && FHistory->Items()[Index].ItemType == citImage) {
    ShowImagePreview(Index);
    return;
  }
  PasteItem(Cell.Row, false, false);
}

void TVellomarchFrm::ShowImagePreview(int AHistoryIndex) {
  // Copied before the preview's modal loop runs: a capture during it may reorder the history.
  const std::u16string FileName = FHistory->Items()[AHistoryIndex].ImageFile;
  RunCommand([&] {
    // The preview takes the foreground; with the timer running the popup would hide behind it.
    P.Popup.SetHideTimerEnabled(false);
    struct TTimerRestart {
      IPopupView& Popup;
      ~TTimerRestart() { Popup.SetHideTimerEnabled(true); }
    } Restart{P.Popup};
    const TPoint At = P.Screen.GetCursorPos();
    const std::unique_ptr<IImagePreviewWindow> Window = P.Dialogs.CreateImagePreview();
    TDispImageFrm Preview(*Window, P.Imaging, P.MessageBoxes);
    Preview.ShowAsModal(At.X, At.Y, FileName);
  });
}

void TVellomarchFrm::FormKeyDown(std::uint16_t& AKey, TShiftState AShift) {
  const int ViewCount = static_cast<int>(FView.size());
  switch (AKey) {
  case VK_RETURN_KEY:
    AKey = 0;
    PasteItem(P.Popup.CurrentRow(), AShift.Shift, false);
    return;
  case VK_ESCAPE_KEY:
    AKey = 0;
    HidePopup();
    return;
  case VK_UP_KEY:
    AKey = 0;
    if (ViewCount > 0) {
      P.Popup.SetCurrentRow(std::max(0, P.Popup.CurrentRow() - 1));
      P.Popup.InvalidateGrid();
    }
    return;
  case VK_DOWN_KEY:
    AKey = 0;
    if (ViewCount > 0) {
      P.Popup.SetCurrentRow(std::min(ViewCount - 1, P.Popup.CurrentRow() + 1));
      P.Popup.InvalidateGrid();
    }
    return;
  case VK_DELETE_KEY:
    // Without Ctrl the key belongs to the search box.
    if (!AShift.Ctrl) return;
    AKey = 0;
    DeleteSelected();
    return;
  case VK_P_KEY:
    if (!AShift.Ctrl) return;
    AKey = 0;
    TogglePinSelected();
    return;
  default:
    break;
  }
  // Ctrl with a digit of the main keyboard pastes that row; the keypad's digits are not meant.
  if (AKey >= DigitOneKey && AKey <= DigitNineKey && AShift.Ctrl) {
    const int Row = AKey - DigitOneKey;
    AKey = 0;
    if (Row < ViewCount) PasteItem(Row, false, false);
  }
}

void TVellomarchFrm::DeleteSelected() {
  const int Index = SelectedHistoryIndex();
  if (Index < 0) return;
  FHistory->Delete(Index);
  RebuildView();
  RefreshGrid();
  SaveHistory();
}

void TVellomarchFrm::TogglePinSelected() {
  const int Index = SelectedHistoryIndex();
  if (Index < 0) return;
  FHistory->TogglePin(Index);
  RebuildView();
  RefreshGrid();
  SaveHistory();
}

void TVellomarchFrm::ClearAllHistory() {
  const TConfirmation Confirmation{texts::ConfirmTitle, texts::ConfirmClearAll, texts::ConfirmYes, texts::ConfirmNo};
  if (!P.MessageBoxes.ConfirmYesNo(Confirmation)) return;
  if (!FHistory) return;
  FHistory->Clear();
  FThumbCache.clear();
  RebuildView();
  RefreshGrid();
  SaveHistory();
}

} // namespace vm
