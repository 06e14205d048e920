#pragma once
// TWinPopupWindow: the main window of the Windows program, which is also the history popup.
// A fixed window with a single border and a title bar that has no buttons and no system menu,
// the search box docked on top and the owner-drawn list below. It carries out what
// TVellomarchFrm decides and forwards every event to its handlers: the search box's changes, the
// list's painting, pointer and presses, the keys (key preview), the 200 ms hide timer and the
// window messages (hotkeys, clipboard updates, the icon's callback, DPI changes, "TaskbarCreated",
// queued calls).
//
// Life of the program's main window:
//   TWinPopupWindow Popup;  Popup.Create();            // hidden; subscribes to clipboard updates
//   TVellomarchFrm Frm(Platform);  Popup.SetFrm(&Frm);  Frm.FormCreate();
//   message loop (calling Popup.PreTranslateKey first) until Close() posts WM_QUIT;
//   Frm.FormDestroy();  Popup.Destroy();               // the native window goes last
#include <windows.h>

#include <memory>
#include <string>

#include "app/vellomarch_frm.h"
#include "platform/popup_view.h"
#include "platform/windows/win_clip_history_grid.h"
#include "platform/windows/win_hint_window.h"

namespace vm {

class TWinDeferredCalls;

class TWinPopupWindow final : public IPopupView {
public:
  static constexpr const wchar_t* ClassName = L"TVellomarchFrm";
  static constexpr int SearchEditPixelHeight = 23;
  static constexpr UINT HideTimerInterval = 200;
  static constexpr UINT_PTR HideTimerId = 1;
  // "Segoe UI Emoji", 11 pixels high at 96 DPI.
  static constexpr int MainFontPixelHeight = 11;
  // The client size before the first layout, never seen.
  static constexpr int DesignClientWidth = 203, DesignClientHeight = 249;
  static constexpr DWORD Style = WS_CAPTION | WS_BORDER | WS_CLIPCHILDREN;
  static constexpr DWORD ExStyle = 0; // WS_EX_APPWINDOW cleared
  static constexpr UINT TrayIconMessage = WM_APP + 100;
  static constexpr int SearchEditId = 1, GridId = 2;

  explicit TWinPopupWindow(HINSTANCE AInstance = GetModuleHandleW(nullptr));
  ~TWinPopupWindow() override;
  TWinPopupWindow(const TWinPopupWindow&) = delete;
  TWinPopupWindow& operator=(const TWinPopupWindow&) = delete;

  // Makes the native windows, hidden, and subscribes the main window to clipboard updates.
  // False when the system refused (GetLastError says why).
  bool Create();
  // Destroys the native windows (ending the clipboard subscription). Runs after FormDestroy:
  // from here on no handler of the frm is called.
  void Destroy();
  // The frm may be handed over after Create: the platform needs the view before the frm exists.
  void SetFrm(TVellomarchFrm* AFrm) { FFrm = AFrm; }
  // The queue whose private message this window answers; it is told the window's handle.
  void SetDeferredCalls(TWinDeferredCalls* ACalls);

  HWND Window() const { return FWindow; }
  HWND SearchEditWindow() const { return FSearchEdit; }
  HWND GridWindow() const { return FGrid.Handle(); }
  TWinClipHistoryGrid& Grid() { return FGrid; }
  const TMultiLineHintWindow& Hint() const { return FHint; }
  HFONT MainFont() const { return FFont; }
  // Close() was called: the loop is ending.
  bool CloseRequested() const { return FCloseRequested; }

  // Key preview for the message loop, called before TranslateMessage: true when FormKeyDown
  // consumed the key, which the loop then drops (so it never makes a character). The window
  // procedures preview every key that did not pass here (keys of other loops, sent keys), and
  // drop the characters a consumed key already made.
  bool PreTranslateKey(MSG& AMessage);

  // --- IPopupView ---
  TWindowHandle Handle() override { return reinterpret_cast<TWindowHandle>(FWindow); }
  bool IsVisible() override;
  void ShowWindow() override;
  void HideWindow() override;
  void SetPosition(int ALeft, int ATop) override;
  int OuterWidth() override;
  int OuterHeight() override;
  void SetOuterWidth(int AWidth) override;
  void SetOuterHeight(int AHeight) override;
  int FrameHeight() override;
  void RepaintNow() override;
  // Hides the window and posts WM_QUIT; the native window stays until Destroy.
  void Close() override;
  void SetHideTimerEnabled(bool AEnabled) override;
  bool HideTimerEnabled() override { return FHideTimerEnabled; }
  std::u16string SearchText() override;
  void SetSearchText(const std::u16string& AText) override;
  int SearchEditHeight() override;
  bool CanFocusSearch() override;
  void FocusSearch() override;
  void SetRowCount(int ACount) override { FGrid.SetRowCount(ACount); }
  int RowCount() override { return FGrid.RowCount(); }
  void SetCell(int ACol, int ARow, const std::u16string& AText) override { FGrid.SetCell(ACol, ARow, AText); }
  std::u16string Cell(int ACol, int ARow) override { return FGrid.Cell(ACol, ARow); }
  int CurrentRow() override { return FGrid.CurrentRow(); }
  void SetCurrentRow(int ARow) override { FGrid.SetCurrentRow(ARow); }
  void SetDefaultRowHeight(int APixels) override { FGrid.SetDefaultRowHeight(APixels); }
  void SetGridFontSize(int APoints) override { FGrid.SetFontPoints(APoints); }
  void SetColWidth(int ACol, int APixels) override { FGrid.SetColWidth(ACol, APixels); }
  int GridClientWidth() override { return FGrid.ClientWidth(); }
  TGridCell MouseToCell(int AX, int AY) override { return FGrid.MouseToCell(AX, AY); }
  void InvalidateGrid() override { FGrid.Invalidate(); }
  void SetGridCursor(TCursorShape AShape) override { FGrid.SetCursorShape(AShape); }
  void SetGridHint(const std::u16string& AText) override { FGridHint = AText; }
  void HideHint() override;
  void ResetGridHints() override { HideHint(); }

  const std::u16string& GridHint() const { return FGridHint; }

private:
  static LRESULT CALLBACK WindowProc(HWND AWindow, UINT AMessage, WPARAM AWParam, LPARAM ALParam);
  static LRESULT CALLBACK SearchEditProc(HWND AWindow, UINT AMessage, WPARAM AWParam, LPARAM ALParam);
  LRESULT HandleMessage(UINT AMessage, WPARAM AWParam, LPARAM ALParam);
  LRESULT HandleSearchEditMessage(UINT AMessage, WPARAM AWParam, LPARAM ALParam);

  bool RegisterWindowClass();
  bool CreateChildren();
  void LayOutChildren();
  // A window procedure's share of the key preview: FormKeyDown for a key that the loop did not
  // preview; true when it was consumed (its characters are then dropped from the queue).
  bool PreviewKeyInProcedure(HWND ATarget, UINT AMessage, WPARAM AKey, LPARAM ALParam);
  bool PreviewKey(WPARAM AKey);
  bool IsOwnWindow(HWND AWindow) const;
  void GridMouseMove(int AX, int AY);
  // Runs a handler as the application's default handler would: an error that escapes is shown
  // in the standard error box and ends only this handler, never unwinding through the system.
  template <typename TCall> void Run(TCall&& ACall);

  HINSTANCE FInstance;
  HWND FWindow = nullptr;
  HWND FSearchEdit = nullptr;
  WNDPROC FEditProc = nullptr;
  TWinClipHistoryGrid FGrid;
  TMultiLineHintWindow FHint;
  HFONT FFont = nullptr;
  TVellomarchFrm* FFrm = nullptr;
  TWinDeferredCalls* FDeferredCalls = nullptr;
  bool FHideTimerEnabled = false;
  bool FSettingSearchText = false;
  bool FCloseRequested = false;
  HWND FLastFocus = nullptr;
  std::u16string FGridHint;
  // The grid's hint was shown since the last cancel; another shows only after a cancel, which a
  // change of the hovered text makes.
  bool FHintActive = false;
  // The key the loop previewed without consuming; its window procedure must not preview it again.
  struct TPreviewedKey {
    HWND Window = nullptr;
    UINT Message = 0;
    WPARAM Key = 0;
    LPARAM Flags = 0;
    bool Pending = false;
  } FPreviewed;
};

} // namespace vm
