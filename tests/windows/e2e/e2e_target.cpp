// The paste target of the end-to-end tests under Wine: a window with one edit control that
// writes its text (UTF-8) to a file on every change, so that the tests see what was pasted.
// It stays resident for the whole test, which also keeps the clipboard alive between programs
// (Wine empties it when its last process ends).
//
//   e2e_target <output file>
//
// The window's title is "Vellomarch E2E Target"; the file exists (empty) once the edit has the focus.
//
// It also stands in for what the Windows desktop does and a Wine desktop without a window manager
// does not: when the popup hides, the window the user came from is active again. Under Wine the
// hide hands the activation to whatever comes next in Wine's own order, or to no window. And the
// program, right after the hide, attaches its thread's input to this one for a moment to put the
// focus back into the edit: a window that Wine activates during that moment (the hide's hand-over
// or SetFocus itself do) gets no keyboard input at all once the program detaches again. So:
//  - when it loses the activation it disables itself, so that neither the hide nor the program's
//    SetFocus can activate it while the inputs are attached (the focus stays in the edit anyway);
//  - once no window, or only one of the desktop shell's, has had the activation for a few ticks
//    of a short timer, it enables itself and takes the activation back, well inside the 30 ms
//    the program waits before it sends Ctrl+V.

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

constexpr int EditId = 1;
constexpr UINT_PTR ReactivateTimerId = 1;
constexpr UINT ReactivateInterval = 5;
constexpr int ReactivateAfterTicks = 3;
int InactiveTicks = 0;
std::wstring OutputFile;
HWND Edit = nullptr;
FILE* Events = nullptr;

// A line per event into "<output file>.events", for the tests' failure reports.
void LogEvent(const char* AWhat, unsigned long long AValue = 0) {
  if (!Events) return;
  std::fprintf(Events, "%lu %s %llx fg=%p\n", GetTickCount(), AWhat, AValue,
               static_cast<void*>(GetForegroundWindow()));
  std::fflush(Events);
}

void WriteText() {
  const int Length = GetWindowTextLengthW(Edit);
  std::wstring Text(static_cast<std::size_t>(Length) + 1, L'\0');
  Text.resize(static_cast<std::size_t>(GetWindowTextW(Edit, Text.data(), Length + 1)));
  const int Bytes = WideCharToMultiByte(CP_UTF8, 0, Text.data(), static_cast<int>(Text.size()), nullptr, 0, nullptr,
                                        nullptr);
  std::string Utf8(static_cast<std::size_t>(Bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, Text.data(), static_cast<int>(Text.size()), Utf8.data(), Bytes, nullptr, nullptr);
  // Written aside and moved over the old file, so that a reader never sees half a text.
  const std::wstring Temporary = OutputFile + L".tmp";
  const HANDLE File = CreateFileW(Temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                  nullptr);
  if (File == INVALID_HANDLE_VALUE) return;
  DWORD Written = 0;
  WriteFile(File, Utf8.data(), static_cast<DWORD>(Utf8.size()), &Written, nullptr);
  CloseHandle(File);
  MoveFileExW(Temporary.c_str(), OutputFile.c_str(), MOVEFILE_REPLACE_EXISTING);
}

// No window is active, or one of the desktop shell's (the notification area, the desktop).
bool ShellOrNothingActive() {
  const HWND Foreground = GetForegroundWindow();
  if (!Foreground) return true;
  wchar_t Class[64] = {};
  GetClassNameW(Foreground, Class, 64);
  const std::wstring Name(Class);
  return Name == L"__winex11_standalone_tray" || Name == L"Shell_TrayWnd" || Name == L"Progman" ||
         Name == L"WorkerW" || Name == L"#32769";
}

LRESULT CALLBACK WindowProc(HWND AWindow, UINT AMessage, WPARAM AWParam, LPARAM ALParam) {
  switch (AMessage) {
    case WM_CREATE:
      Edit = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, 10, 10, 380, 28,
                             AWindow, reinterpret_cast<HMENU>(EditId), GetModuleHandleW(nullptr), nullptr);
      return Edit ? 0 : -1;
    case WM_ACTIVATE:
      LogEvent("activate", LOWORD(AWParam));
      if (LOWORD(AWParam) == WA_INACTIVE) EnableWindow(AWindow, FALSE);
      return DefWindowProcW(AWindow, AMessage, AWParam, ALParam);
    case WM_SETFOCUS:
      // The focus always lands in the edit, as in a typical editor.
      SetFocus(Edit);
      return 0;
    case WM_TIMER:
      if (AWParam != ReactivateTimerId) return 0;
      InactiveTicks = ShellOrNothingActive() ? InactiveTicks + 1 : 0;
      if (InactiveTicks >= ReactivateAfterTicks) {
        InactiveTicks = 0;
        LogEvent("reactivate");
        EnableWindow(AWindow, TRUE);
        SetForegroundWindow(AWindow);
      }
      return 0;
    case WM_COMMAND:
      if (LOWORD(AWParam) == EditId && HIWORD(AWParam) == EN_CHANGE) WriteText();
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(AWindow, AMessage, AWParam, ALParam);
  }
}

} // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) return 1;
  OutputFile = argv[1];
  Events = _wfopen((OutputFile + L".events").c_str(), L"w");
  WNDCLASSW Class{};
  Class.lpfnWndProc = WindowProc;
  Class.hInstance = GetModuleHandleW(nullptr);
  Class.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  Class.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
  Class.lpszClassName = L"VellomarchE2ETarget";
  if (!RegisterClassW(&Class)) return 2;
  const HWND Window = CreateWindowExW(0, Class.lpszClassName, L"Vellomarch E2E Target", WS_OVERLAPPEDWINDOW, 200, 600,
                                      420, 100, nullptr, nullptr, Class.hInstance, nullptr);
  if (!Window) return 2;
  ShowWindow(Window, SW_SHOW);
  SetForegroundWindow(Window);
  SetTimer(Window, ReactivateTimerId, ReactivateInterval, nullptr);
  SetFocus(Edit);
  WriteText();
  MSG Message;
  while (GetMessageW(&Message, nullptr, 0, 0) > 0) {
    if (Message.message >= WM_KEYFIRST && Message.message <= WM_KEYLAST)
      LogEvent(Message.message == WM_KEYDOWN   ? "keydown"
               : Message.message == WM_KEYUP   ? "keyup"
               : Message.message == WM_CHAR    ? "char"
                                               : "key-other",
               Message.wParam);
    TranslateMessage(&Message);
    DispatchMessageW(&Message);
  }
  return 0;
}
