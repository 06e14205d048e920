// The two global hotkeys and the notification-area icon with its menu.
#include "app/app_texts.h"
#include "app/vellomarch_frm.h"
#include "support/log.h"

namespace vm {

namespace {

constexpr std::uint32_t NotifyIconDataSize = 976; // NOTIFYICONDATAW on 64-bit Windows
constexpr std::uint32_t NifMessageIconTip = 7;    // NIF_MESSAGE | NIF_ICON | NIF_TIP
constexpr std::size_t MaxTipLength = 127;

// Registers one hotkey under a fresh atom; logs ALogPrefix + the text form on failure.
int RegisterOne(IHotkeys& AHotkeys, const std::u16string& AAtomName, TShortCut AShortCut,
                const std::u16string& ALogPrefix) {
  const int Id = AHotkeys.AddAtom(AAtomName);
  const THotKeyCombo Combo = SplitShortCut(AShortCut);
  if (!AHotkeys.Register(Id, Combo.Modifiers, Combo.Key)) WriteLog(ALogPrefix + ShortCutToText(AShortCut));
  return Id;
}

void UnregisterOne(IHotkeys& AHotkeys, int& AId) {
  if (AId == 0) return;
  AHotkeys.Unregister(AId);
  AHotkeys.DeleteAtom(AId);
  AId = 0;
}

} // namespace

void TVellomarchFrm::RegisterHotKeys() {
  FHotKeyIDShow = RegisterOne(P.Hotkeys, ShowHotKeyName, FShowShortcut, u"RegisterHotKey(show) failed: ");
  FHotKeyIDQuit = 0;
  if (FQuitShortcut != 0)
    FHotKeyIDQuit = RegisterOne(P.Hotkeys, QuitHotKeyName, FQuitShortcut, u"RegisterHotKey(quit) failed: ");
}

void TVellomarchFrm::UnregisterHotKeys() {
  UnregisterOne(P.Hotkeys, FHotKeyIDShow);
  UnregisterOne(P.Hotkeys, FHotKeyIDQuit);
}

void TVellomarchFrm::WMHotKey(int AId) {
  // Atoms are never 0, so an id of 0 matches neither hotkey.
  if (AId == 0) return;
  if (AId == FHotKeyIDQuit) {
    QuitHotKeyCommand();
  } else if (AId == FHotKeyIDShow) {
    ShowHotKeyCommand();
  }
}

void TVellomarchFrm::ShowHotKeyCommand() {
  CaptureFocusTarget();
  ShowPopup();
}

void TVellomarchFrm::QuitHotKeyCommand() { CloseMainWindow(); }

void TVellomarchFrm::BuildTrayMenu() {
  FTrayMenu = std::make_unique<TPopupMenu>();
  FTrayMenu->Add(texts::TrayShowHistory, [this] { ShowPopup(); });
  FTrayMenu->Add(texts::MenuSettings, [this] { OpenSettings(); });
  FTrayMenu->Add(u"-");
  FTrayMenu->Add(texts::MenuQuit, [this] { CloseMainWindow(); });
}

void TVellomarchFrm::CreateTrayIcon() {
  FNotifyIcon = TNotifyIconData{};
  FNotifyIcon.cbSize = NotifyIconDataSize;
  FNotifyIcon.hWnd = P.Popup.Handle();
  FNotifyIcon.uID = 1;
  FNotifyIcon.uFlags = NifMessageIconTip;
  FNotifyIcon.uCallbackMessage = WM_TRAYICON_MSG;
  FNotifyIcon.szTip = std::u16string(texts::TrayTip).substr(0, MaxTipLength);
  P.TrayIcon.NotifyIcon(TNotifyIconAction::Add, FNotifyIcon);
}

void TVellomarchFrm::RemoveTrayIcon() { P.TrayIcon.NotifyIcon(TNotifyIconAction::Delete, FNotifyIcon); }

void TVellomarchFrm::WMTrayIcon(std::uint32_t ALParam) {
  if (ALParam == WM_LBUTTONUP_MSG) {
    ShowPopup();
  } else if (ALParam == WM_RBUTTONUP_MSG) {
    const TPoint At = P.Screen.GetCursorPos();
    P.FocusInput.SetForegroundWindow(P.Popup.Handle());
    RunMenuChoice(*FTrayMenu, P.Menus.TrackPopupMenu(*FTrayMenu, At));
  }
}

} // namespace vm
