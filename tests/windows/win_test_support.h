#pragma once
// Helpers for the tests of the Windows implementations under Wine: a window of the test's own,
// a lock that keeps clipboard tests of parallel test processes apart, the pictures made at build
// time and the helper program that plays another process.
#include <windows.h>

#include <string>
#include <vector>

namespace vm::test {

// A hidden top-level window, destroyed with the object.
class TTestWindow {
public:
  TTestWindow();
  ~TTestWindow();
  TTestWindow(const TTestWindow&) = delete;
  TTestWindow& operator=(const TTestWindow&) = delete;
  HWND Get() const { return FWindow; }

private:
  HWND FWindow;
};

// Dispatches the messages already waiting for this thread.
void PumpMessages();

// The clipboard, the foreground window and the keyboard are one for all processes: CTest runs test
// processes side by side, so every test that writes the clipboard, takes the foreground or sends
// keys holds this named mutex ("VellomarchDesktopTests") for its whole length.
class TDesktopTestLock {
public:
  TDesktopTestLock();
  ~TDesktopTestLock();
  TDesktopTestLock(const TDesktopTestLock&) = delete;
  TDesktopTestLock& operator=(const TDesktopTestLock&) = delete;

private:
  HANDLE FMutex;
};

// The folder of the running test program, with a trailing backslash.
std::wstring ProgramFolder();
// A picture made by ImageMagick at build time (cmake/Windows.cmake).
std::u16string TestImagePath(const std::u16string& AName);

// windows_test_helper.exe, started with its arguments; it signals when it holds what it was asked
// to take. The destructor tells it to quit and waits for it.
class THelperProcess {
public:
  explicit THelperProcess(const std::vector<std::wstring>& AArguments);
  ~THelperProcess();
  THelperProcess(const THelperProcess&) = delete;
  THelperProcess& operator=(const THelperProcess&) = delete;
  // True once the helper holds its hotkey or its clipboard content; false when it ended instead.
  bool Ready() const { return FReady; }
  DWORD ExitCodeIfEnded() const;

private:
  HANDLE FReadyEvent = nullptr, FQuitEvent = nullptr;
  PROCESS_INFORMATION FProcess{};
  bool FReady = false;
};

} // namespace vm::test
