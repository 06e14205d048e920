// The popup: capture of the paste target, showing at the pointer, hiding, and the layout rule.
#include <algorithm>

#include "app/vellomarch_frm.h"
#include "history/clip_history.h"
#include "support/rounding.h"

namespace vm {

void TVellomarchFrm::CaptureFocusTarget() {
  FFocus.ActiveWnd = P.FocusInput.GetForegroundWindow();
  const std::uint32_t TargetThread = P.FocusInput.GetWindowThreadId(FFocus.ActiveWnd);
  const std::uint32_t OwnThread = P.FocusInput.GetCurrentThreadId();
  P.FocusInput.AttachThreadInput(OwnThread, TargetThread, true);
  FFocus.FocusWnd = P.FocusInput.GetFocus();
  P.FocusInput.AttachThreadInput(OwnThread, TargetThread, false);
}

void TVellomarchFrm::ShowPopup() {
  const TPoint Pointer = P.Screen.GetCursorPos();
  const TRect Work = P.Screen.WorkAreaNearPoint(Pointer);
  const int Left = std::clamp(Pointer.X, Work.Left, std::max(Work.Left, Work.Right - P.Popup.OuterWidth()));
  const int Top = std::clamp(Pointer.Y, Work.Top, std::max(Work.Top, Work.Bottom - P.Popup.OuterHeight()));
  P.Popup.SetPosition(Left, Top);

  if (!P.Popup.SearchText().empty()) {
    P.Popup.SetSearchText(u"");
    SearchEditChange();
  }
  RebuildView();
  RefreshGrid();
  if (!FView.empty()) P.Popup.SetCurrentRow(0);

  const bool WasVisible = P.Popup.IsVisible();
  P.Popup.ShowWindow();
  if (!WasVisible) FormShow();
  P.FocusInput.SetForegroundWindow(P.Popup.Handle());
  if (P.Popup.CanFocusSearch()) P.Popup.FocusSearch();
  P.Popup.SetHideTimerEnabled(true);
}

void TVellomarchFrm::HidePopup() {
  P.Popup.SetHideTimerEnabled(false);
  P.Popup.HideWindow();
}

void TVellomarchFrm::HideTimerTimer() {
  if (P.FocusInput.GetForegroundWindow() != P.Popup.Handle()) HidePopup();
}

void TVellomarchFrm::ApplyLayout(int ADpi) {
  if (ADpi <= 0) ADpi = P.Screen.SystemDpi();
  if (ADpi <= 0) ADpi = 96;
  // 125 / DPI, not DPI / 96: the pixel sizes shrink as the DPI grows.
  const double Scale = 125.0 / ADpi;
  const int RowHeight = RoundHalfEven(FRowHeight * Scale);
  P.Popup.SetDefaultRowHeight(RowHeight);
  FGridFontSize = RoundHalfEven(FFontSize * Scale);
  P.Popup.SetGridFontSize(FGridFontSize);

  // Settings read from the file are not range-checked; a negative count of rows means none.
  const long long Rows = std::max(0, FHistory ? FHistory->MaxItems() : 0);
  const int Line = RoundHalfEven(Scale);
  const int Extra = RoundHalfEven(4 * Scale);
  long long Height = P.Popup.SearchEditHeight() + RowHeight * Rows + Line * Rows + Extra + P.Popup.FrameHeight();
  if (P.Screen.WorkAreaNearMainWindow().Height() < Height) {
    // Reduced once; the font stays, and the window may still be taller than the work area.
    Height = RoundHalfEven(static_cast<double>(Height) * 0.7);
    P.Popup.SetDefaultRowHeight(RoundHalfEven(RowHeight * 0.7));
  }
  P.Popup.SetOuterHeight(static_cast<int>(std::min<long long>(Height, 1 << 30)));
  P.Popup.SetOuterWidth(FFormWidth);

  const int MarksWidth = std::max(24, FFormWidth / 8);
  P.Popup.SetColWidth(0, MarksWidth);
  P.Popup.SetColWidth(1, std::max(0, P.Popup.GridClientWidth() - MarksWidth - 2));
}

void TVellomarchFrm::WMDPIChanged(int ADpi) { ApplyLayout(ADpi); }

} // namespace vm
