#include "win_test_support.h"

#include <gtest/gtest.h>

#include <atomic>

namespace vm::test {

namespace {

const wchar_t* TestWindowClass() {
  static const wchar_t* Name = [] {
    WNDCLASSW Class{};
    Class.lpfnWndProc = DefWindowProcW;
    Class.hInstance = GetModuleHandleW(nullptr);
    Class.lpszClassName = L"VellomarchTestWindow";
    RegisterClassW(&Class);
    return Class.lpszClassName;
  }();
  return Name;
}

std::wstring UniqueName(const wchar_t* APurpose) {
  static std::atomic<int> Counter{0};
  return std::wstring(L"VellomarchTest") + APurpose + std::to_wstring(GetCurrentProcessId()) + L"_" +
         std::to_wstring(++Counter);
}

// Helpers that never answer must not hang the run; a minute is far beyond any normal start.
constexpr DWORD HelperStartLimit = 60000;

} // namespace

TTestWindow::TTestWindow()
    : FWindow(CreateWindowExW(0, TestWindowClass(), L"Vellomarch test", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                              nullptr, nullptr, GetModuleHandleW(nullptr), nullptr)) {
  EXPECT_NE(FWindow, nullptr) << "CreateWindowExW failed: " << GetLastError();
}

TTestWindow::~TTestWindow() {
  if (FWindow) DestroyWindow(FWindow);
  PumpMessages();
}

void PumpMessages() {
  MSG Message;
  while (PeekMessageW(&Message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&Message);
    DispatchMessageW(&Message);
  }
}

TDesktopTestLock::TDesktopTestLock() : FMutex(CreateMutexW(nullptr, FALSE, L"VellomarchDesktopTests")) {
  if (FMutex) WaitForSingleObject(FMutex, INFINITE);
}

TDesktopTestLock::~TDesktopTestLock() {
  if (!FMutex) return;
  ReleaseMutex(FMutex);
  CloseHandle(FMutex);
}

std::wstring ProgramFolder() {
  wchar_t Path[MAX_PATH * 4] = {};
  const DWORD Length = GetModuleFileNameW(nullptr, Path, static_cast<DWORD>(std::size(Path)));
  std::wstring Folder(Path, Length);
  Folder.erase(Folder.find_last_of(L"\\/") + 1);
  return Folder;
}

std::u16string TestImagePath(const std::u16string& AName) {
  const std::wstring Folder = ProgramFolder() + L"windows-test-images\\";
  return std::u16string(reinterpret_cast<const char16_t*>(Folder.c_str())) + AName;
}

THelperProcess::THelperProcess(const std::vector<std::wstring>& AArguments) {
  const std::wstring ReadyName = UniqueName(L"Ready"), QuitName = UniqueName(L"Quit");
  FReadyEvent = CreateEventW(nullptr, TRUE, FALSE, ReadyName.c_str());
  FQuitEvent = CreateEventW(nullptr, TRUE, FALSE, QuitName.c_str());
  std::wstring Command = L"\"" + ProgramFolder() + L"windows_test_helper.exe\"";
  for (const std::wstring& Argument : AArguments) Command += L" \"" + Argument + L"\"";
  Command += L" " + ReadyName + L" " + QuitName;
  STARTUPINFOW Startup{};
  Startup.cb = sizeof Startup;
  if (!CreateProcessW(nullptr, Command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &Startup, &FProcess)) {
    ADD_FAILURE() << "the helper program did not start: error " << GetLastError();
    return;
  }
  const HANDLE Waits[] = {FReadyEvent, FProcess.hProcess};
  FReady = WaitForMultipleObjects(2, Waits, FALSE, HelperStartLimit) == WAIT_OBJECT_0;
}

DWORD THelperProcess::ExitCodeIfEnded() const {
  DWORD Code = STILL_ACTIVE;
  if (FProcess.hProcess) GetExitCodeProcess(FProcess.hProcess, &Code);
  return Code;
}

THelperProcess::~THelperProcess() {
  if (FQuitEvent) SetEvent(FQuitEvent);
  if (FProcess.hProcess) {
    if (WaitForSingleObject(FProcess.hProcess, HelperStartLimit) != WAIT_OBJECT_0)
      TerminateProcess(FProcess.hProcess, 3);
    CloseHandle(FProcess.hProcess);
    CloseHandle(FProcess.hThread);
  }
  if (FReadyEvent) CloseHandle(FReadyEvent);
  if (FQuitEvent) CloseHandle(FQuitEvent);
}

} // namespace vm::test
