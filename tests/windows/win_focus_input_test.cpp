// Focus across threads and synthetic keys through TWinFocusInput.
#include <gtest/gtest.h>

#include <windows.h>

#include <thread>

#include "platform/windows/win_clipboard.h"
#include "platform/windows/win_focus_input.h"
#include "win_test_support.h"

namespace vm {
namespace {

TEST(WinFocusInput, TheKeyRecordsOfOneCall) {
  static_assert(sizeof(INPUT) == 40);
  const std::vector<INPUT> Inputs =
      KeyboardInputs({{0x11, false}, {0x56, false}, {0x56, true}, {0x11, true}});
  ASSERT_EQ(Inputs.size(), 4u);
  const WORD Keys[] = {0x11, 0x56, 0x56, 0x11};
  const DWORD Flags[] = {0, 0, KEYEVENTF_KEYUP, KEYEVENTF_KEYUP};
  for (std::size_t I = 0; I < 4; ++I) {
    EXPECT_EQ(Inputs[I].type, static_cast<DWORD>(INPUT_KEYBOARD)) << I;
    EXPECT_EQ(Inputs[I].ki.wVk, Keys[I]) << I;
    EXPECT_EQ(Inputs[I].ki.wScan, 0) << I;
    EXPECT_EQ(Inputs[I].ki.dwFlags, Flags[I]) << I;
    EXPECT_EQ(Inputs[I].ki.time, 0u) << I;
    EXPECT_EQ(Inputs[I].ki.dwExtraInfo, 0u) << I;
  }
}

// A window with two edit controls on a thread of its own, standing in for the program the user
// was typing in. The thread serves its messages until the window is closed.
class TTargetThread {
public:
  TTargetThread() {
    FThread = std::thread([this] { Run(); });
    WaitForSingleObject(FReady, INFINITE);
  }
  ~TTargetThread() {
    PostMessageW(FWindow, WM_CLOSE, 0, 0);
    FThread.join();
    CloseHandle(FReady);
  }
  TTargetThread(const TTargetThread&) = delete;
  TTargetThread& operator=(const TTargetThread&) = delete;

  HWND FWindow = nullptr, FFirstEdit = nullptr, FSecondEdit = nullptr;
  DWORD FThreadId = 0;

private:
  void Run() {
    FThreadId = GetCurrentThreadId();
    static const ATOM Class = [] {
      WNDCLASSW C{};
      C.lpfnWndProc = [](HWND W, UINT M, WPARAM A, LPARAM B) -> LRESULT {
        if (M == WM_DESTROY) PostQuitMessage(0);
        return DefWindowProcW(W, M, A, B);
      };
      C.hInstance = GetModuleHandleW(nullptr);
      C.lpszClassName = L"VellomarchTestTarget";
      return RegisterClassW(&C);
    }();
    FWindow = CreateWindowExW(0, MAKEINTATOM(Class), L"Target", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 300,
                              120, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    FFirstEdit = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_BORDER, 5, 5, 280, 24, FWindow, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
    FSecondEdit = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_BORDER, 5, 40, 280, 24, FWindow,
                                  nullptr, GetModuleHandleW(nullptr), nullptr);
    SetForegroundWindow(FWindow);
    SetFocus(FFirstEdit);
    SetEvent(FReady);
    MSG Message;
    while (GetMessageW(&Message, nullptr, 0, 0) > 0) {
      TranslateMessage(&Message);
      DispatchMessageW(&Message);
    }
  }

  HANDLE FReady = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  std::thread FThread;
};

// What the show hotkey records and the paste restores: the focused control of another thread,
// read and set while the two threads' input is attached.
TEST(WinFocusInput, FocusOfAnotherThreadIsReadAndSetWhileAttached) {
  test::TDesktopTestLock Lock;
  TTargetThread Target;
  TWinFocusInput Focus;
  const TWindowHandle Window = FromHwnd(Target.FWindow);
  const std::uint32_t Thread = Focus.GetWindowThreadId(Window);
  EXPECT_EQ(Thread, Target.FThreadId);
  EXPECT_NE(Thread, Focus.GetCurrentThreadId());
  EXPECT_EQ(Focus.GetWindowThreadId(0), 0u);

  EXPECT_NE(Focus.GetFocus(), FromHwnd(Target.FFirstEdit)) << "not attached: the own thread has no such focus";
  ASSERT_TRUE(Focus.AttachThreadInput(Focus.GetCurrentThreadId(), Thread, true));
  EXPECT_EQ(Focus.GetFocus(), FromHwnd(Target.FFirstEdit));
  Focus.SetFocus(FromHwnd(Target.FSecondEdit));
  EXPECT_EQ(Focus.GetFocus(), FromHwnd(Target.FSecondEdit));
  EXPECT_TRUE(Focus.AttachThreadInput(Focus.GetCurrentThreadId(), Thread, false));
  EXPECT_EQ(GetWindowThreadProcessId(Target.FSecondEdit, nullptr), Thread);
}

std::wstring TextOf(HWND AControl) {
  wchar_t Buffer[256] = {};
  GetWindowTextW(AControl, Buffer, 256);
  return Buffer;
}

// The paste-back's last step: Ctrl+V as four records of one call reaches the focused control.
TEST(WinFocusInput, CtrlVSentInOneCallPastesIntoTheFocusedControl) {
  test::TDesktopTestLock Lock;
  test::TTestWindow Owner;
  TWinClipboard Clipboard(Owner.Get());
  {
    TClipboardSession Session(Clipboard);
    ASSERT_TRUE(Session.IsOpen());
    Clipboard.Empty();
    ASSERT_TRUE(Clipboard.SetUnicodeText(u"貼り付けた text"));
  }
  TTargetThread Target;
  TWinFocusInput Focus;
  Focus.SendInput({{0x11, false}, {0x56, false}, {0x56, true}, {0x11, true}});
  // The keys travel through the display server: wait for them, bounded.
  for (int Round = 0; Round < 200 && TextOf(Target.FFirstEdit).empty(); ++Round) Sleep(50);
  EXPECT_EQ(TextOf(Target.FFirstEdit), L"貼り付けた text");
  EXPECT_EQ(TextOf(Target.FSecondEdit), L"");
}

} // namespace
} // namespace vm
