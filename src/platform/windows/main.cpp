// The Windows program: one resident process per signed-in user with the popup as its main window.
// Process entry: single-instance guard, common controls and theme, the data folder beside the
// executable, the main window created hidden, the message loop, the destruction handler while the
// native window still exists, the window, and the guard released last. Exit code 0 both ways out.
#include <windows.h>

#include <commctrl.h>

#include <string>

#include "app/app_texts.h"
#include "app/vellomarch_frm.h"
#include "platform/clock.h"
#include "platform/windows/dpapi_data_protection.h"
#include "platform/windows/single_instance_win.h"
#include "platform/windows/win_clipboard.h"
#include "platform/windows/win_deferred_calls.h"
#include "platform/windows/win_dialog_factory.h"
#include "platform/windows/win_focus_input.h"
#include "platform/windows/win_hotkeys.h"
#include "platform/windows/win_imaging.h"
#include "platform/windows/win_menus.h"
#include "platform/windows/win_message_boxes.h"
#include "platform/windows/win_popup_window.h"
#include "platform/windows/win_screen.h"
#include "platform/windows/win_theme.h"
#include "platform/windows/win_tray_icon.h"
#include "platform/windows/windows_regional_settings.h"
#include "support/data_folders.h"
#include "templates/date_format.h"

namespace {

static_assert(sizeof(wchar_t) == sizeof(char16_t));

const wchar_t* Wide(const char16_t* AText) { return reinterpret_cast<const wchar_t*>(AText); }

// The folder that holds the running executable, with its trailing delimiter.
std::u16string ExecutableFolder() {
  std::wstring Path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD Length = GetModuleFileNameW(nullptr, Path.data(), static_cast<DWORD>(Path.size()));
    if (Length == 0) return {};
    if (Length < Path.size()) {
      Path.resize(Length);
      break;
    }
    // Cut to fit: a longer path (beyond MAX_PATH) needs a larger buffer.
    Path.resize(Path.size() * 2);
  }
  const std::size_t Slash = Path.find_last_of(L"\\/");
  Path.resize(Slash == std::wstring::npos ? 0 : Slash + 1);
  return std::u16string(reinterpret_cast<const char16_t*>(Path.data()), Path.size());
}

int RunResident(HINSTANCE AInstance) {
  using namespace vm;
  SetDataFolderParent(ExecutableFolder());
  SetRegionalSettings(WindowsRegionalSettings());

  // The platform objects exist before the main window; each is told its handle once it is made.
  TDpapiDataProtection DataProtection;
  TWinClipboard Clipboard;
  TWinImaging Imaging;
  TWinHotkeys Hotkeys;
  TWinFocusInput FocusInput;
  TWinScreen Screen;
  TWinDeferredCalls DeferredCalls;
  TWinMenuPresenter Menus;
  TWinTrayIcon TrayIcon(AInstance);
  TWinMessageBoxes MessageBoxes;
  TWinDialogFactory Dialogs;
  TWinPopupWindow Popup(AInstance);
  Popup.SetDeferredCalls(&DeferredCalls);
  if (!Popup.Create()) return 0; // no window, nothing to run: the program ends as it would on closing

  const HWND Main = Popup.Window();
  Clipboard.SetOwner(Main);
  Hotkeys.SetWindow(Main);
  Screen.SetMainWindow(Main);
  Menus.SetOwner(Main);
  MessageBoxes.SetOwner(Main);
  Dialogs.SetOwner(Main);

  TPlatform Platform{Clipboard, Imaging,        Hotkeys, FocusInput, Screen,       DeferredCalls, SystemClock(),
                     DataProtection, Popup,     Menus,   TrayIcon,   MessageBoxes, Dialogs};
  TVellomarchFrm Frm(Platform);
  Popup.SetFrm(&Frm);
  // A combination registered system-wide never reaches a hotkey field: released while one records.
  Dialogs.SetHotKeyRecordingHook([&Frm](bool ARecording) {
    if (ARecording) Frm.UnregisterHotKeys();
    else Frm.RegisterHotKeys();
  });

  Frm.FormCreate();

  // Runs until Close() posts WM_QUIT; the window stays until FormDestroy has run.
  MSG Message;
  while (GetMessageW(&Message, nullptr, 0, 0) > 0) {
    if (Popup.PreTranslateKey(Message)) continue; // key preview: FormKeyDown consumed it
    TranslateMessage(&Message);
    DispatchMessageW(&Message);
  }

  Frm.FormDestroy();
  Popup.Destroy(); // ends the clipboard subscription with the native window
  return 0;
}

} // namespace

int WINAPI wWinMain(HINSTANCE AInstance, HINSTANCE, PWSTR, int) {
  vm::TSingleInstance Guard(vm::texts::SingleInstanceMutex);
  if (Guard.AnotherInstanceRuns()) {
    MessageBoxW(nullptr, Wide(vm::texts::SecondInstanceMessage), Wide(vm::texts::SecondInstanceCaption),
                MB_ICONERROR | MB_OK);
    Guard.Close();
    return 0;
  }

  INITCOMMONCONTROLSEX Controls{sizeof(INITCOMMONCONTROLSEX),
                                ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES | ICC_HOTKEY_CLASS | ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&Controls);
  // Without the theme the system look serves, and nothing is said.
  vm::ApplyTheme();

  const int Result = RunResident(AInstance);
  vm::RemoveTheme();
  // The very last step, after the main window and everything it held are gone.
  Guard.Close();
  return Result;
}
