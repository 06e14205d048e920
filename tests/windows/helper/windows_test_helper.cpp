// A second process for the tests of the Windows implementations: it takes something system-wide
// as another program would, signals that it holds it, and keeps it until told to quit.
//
//   windows_test_helper hotkey <modifiers> <virtual key> <ready event> <quit event>
//   windows_test_helper stage <format name> <32-bit value> <text> <ready event> <quit event>
//
// "stage" puts the registered format (holding the value) and the Unicode text on the clipboard in
// one open-empty-put-close sequence. Exit code 0 after the quit event; 2 when the hotkey or the
// clipboard could not be had; 1 for wrong arguments.
#include <windows.h>

#include <cstring>
#include <cwchar>
#include <string>

namespace {

HWND CreateOwnWindow() {
  WNDCLASSW Class{};
  Class.lpfnWndProc = DefWindowProcW;
  Class.hInstance = GetModuleHandleW(nullptr);
  Class.lpszClassName = L"VellomarchTestHelper";
  RegisterClassW(&Class);
  return CreateWindowExW(0, Class.lpszClassName, L"Vellomarch test helper", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100,
                         nullptr, nullptr, Class.hInstance, nullptr);
}

HGLOBAL BlockOf(const void* AData, std::size_t ASize) {
  HGLOBAL Block = GlobalAlloc(GMEM_MOVEABLE, ASize);
  if (!Block) return nullptr;
  void* Data = GlobalLock(Block);
  std::memcpy(Data, AData, ASize);
  GlobalUnlock(Block);
  return Block;
}

bool Stage(HWND AWindow, const wchar_t* AFormat, DWORD AValue, const wchar_t* AText) {
  if (!OpenClipboard(AWindow)) return false;
  EmptyClipboard();
  const UINT Format = RegisterClipboardFormatW(AFormat);
  bool Ok = Format != 0 && SetClipboardData(Format, BlockOf(&AValue, sizeof AValue)) != nullptr;
  Ok = Ok && SetClipboardData(CF_UNICODETEXT, BlockOf(AText, sizeof(wchar_t) * (std::wcslen(AText) + 1))) != nullptr;
  CloseClipboard();
  return Ok;
}

// Serves the window's messages until the quit event is set.
void WaitForQuit(HANDLE AQuit) {
  for (;;) {
    const DWORD Result = MsgWaitForMultipleObjects(1, &AQuit, FALSE, INFINITE, QS_ALLINPUT);
    if (Result != WAIT_OBJECT_0 + 1) return;
    MSG Message;
    while (PeekMessageW(&Message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&Message);
  }
}

} // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 1;
  const std::wstring Command = argv[1];
  const int EventArgs = Command == L"hotkey" ? 4 : Command == L"stage" ? 5 : 0;
  if (EventArgs == 0 || argc != EventArgs + 2) return 1;
  const HANDLE Ready = OpenEventW(EVENT_MODIFY_STATE, FALSE, argv[EventArgs]);
  const HANDLE Quit = OpenEventW(SYNCHRONIZE, FALSE, argv[EventArgs + 1]);
  if (!Ready || !Quit) return 1;
  const HWND Window = CreateOwnWindow();
  if (!Window) return 2;

  if (Command == L"hotkey") {
    const UINT Modifiers = static_cast<UINT>(std::wcstoul(argv[2], nullptr, 0));
    const UINT Key = static_cast<UINT>(std::wcstoul(argv[3], nullptr, 0));
    if (!RegisterHotKey(Window, 1, Modifiers, Key)) return 2;
    SetEvent(Ready);
    WaitForQuit(Quit);
    UnregisterHotKey(Window, 1);
  } else {
    if (!Stage(Window, argv[2], static_cast<DWORD>(std::wcstoul(argv[3], nullptr, 0)), argv[4])) return 2;
    SetEvent(Ready);
    WaitForQuit(Quit);
  }
  DestroyWindow(Window);
  return 0;
}
