// Deferred calls run from the main window's message queue, never inside Post.
#include <gtest/gtest.h>

#include <windows.h>

#include <stdexcept>
#include <string>

#include "platform/windows/win_deferred_calls.h"
#include "win_test_support.h"

namespace vm {
namespace {

// A window whose procedure drains the queue on its private message, as the main window's does.
class TDrainingWindow {
public:
  explicit TDrainingWindow(TWinDeferredCalls& ACalls) {
    static const ATOM Class = [] {
      WNDCLASSW C{};
      C.lpfnWndProc = Proc;
      C.hInstance = GetModuleHandleW(nullptr);
      C.lpszClassName = L"VellomarchTestDrain";
      return RegisterClassW(&C);
    }();
    FWindow = CreateWindowExW(0, MAKEINTATOM(Class), L"", WS_OVERLAPPEDWINDOW, 0, 0, 10, 10, nullptr, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
    SetWindowLongPtrW(FWindow, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&ACalls));
  }
  ~TDrainingWindow() { DestroyWindow(FWindow); }
  TDrainingWindow(const TDrainingWindow&) = delete;
  TDrainingWindow& operator=(const TDrainingWindow&) = delete;
  HWND Get() const { return FWindow; }

private:
  static LRESULT CALLBACK Proc(HWND AWindow, UINT AMessage, WPARAM AW, LPARAM AL) {
    if (AMessage == TWinDeferredCalls::DrainMessage) {
      reinterpret_cast<TWinDeferredCalls*>(GetWindowLongPtrW(AWindow, GWLP_USERDATA))->Drain();
      return 0;
    }
    return DefWindowProcW(AWindow, AMessage, AW, AL);
  }
  HWND FWindow;
};

// Dispatches one waiting message of AWindow; false when none was waiting.
bool DispatchOne(HWND AWindow) {
  MSG Message;
  if (!PeekMessageW(&Message, AWindow, TWinDeferredCalls::DrainMessage, TWinDeferredCalls::DrainMessage, PM_REMOVE))
    return false;
  DispatchMessageW(&Message);
  return true;
}

TEST(WinDeferredCalls, CallsRunInOrderWhenTheQueueIsServedNotBefore) {
  TWinDeferredCalls Calls;
  TDrainingWindow Window(Calls);
  Calls.SetWindow(Window.Get());
  std::string Trace;
  Calls.Post([&] { Trace += "1"; });
  Calls.Post([&] { Trace += "2"; });
  Calls.Post([&] { Trace += "3"; });
  EXPECT_EQ(Trace, "");
  test::PumpMessages();
  EXPECT_EQ(Trace, "123");
  EXPECT_EQ(Calls.Pending(), 0u);
}

// A capture run that queues another must let the thread read its messages in between.
TEST(WinDeferredCalls, ACallPostedWhileDrainingWaitsForItsOwnMessage) {
  TWinDeferredCalls Calls;
  TDrainingWindow Window(Calls);
  Calls.SetWindow(Window.Get());
  std::string Trace;
  Calls.Post([&] {
    Trace += "a";
    Calls.Post([&] { Trace += "b"; });
  });
  ASSERT_TRUE(DispatchOne(Window.Get()));
  EXPECT_EQ(Trace, "a");
  EXPECT_EQ(Calls.Pending(), 1u);
  ASSERT_TRUE(DispatchOne(Window.Get()));
  EXPECT_EQ(Trace, "ab");
}

TEST(WinDeferredCalls, CallsPostedBeforeTheWindowExistedRunOnceItDoes) {
  TWinDeferredCalls Calls;
  int Runs = 0;
  Calls.Post([&] { ++Runs; });
  TDrainingWindow Window(Calls);
  Calls.SetWindow(Window.Get());
  test::PumpMessages();
  EXPECT_EQ(Runs, 1);
}

// Counts the drain messages waiting for AWindow and takes them out of the queue.
int TakeDrainMessages(HWND AWindow) {
  int Count = 0;
  MSG Message;
  while (PeekMessageW(&Message, AWindow, TWinDeferredCalls::DrainMessage, TWinDeferredCalls::DrainMessage, PM_REMOVE))
    ++Count;
  return Count;
}

TEST(WinDeferredCalls, AThrowingCallLeavesTheLaterOnesQueuedAndAnnounced) {
  // Drained by hand: an exception must not pass through a window procedure.
  test::TTestWindow Window;
  TWinDeferredCalls Calls(Window.Get());
  std::string Trace;
  Calls.Post([&] { throw std::runtime_error("capture failed"); });
  Calls.Post([&] { Trace += "after"; });
  EXPECT_EQ(TakeDrainMessages(Window.Get()), 2);

  EXPECT_THROW(Calls.Drain(), std::runtime_error);
  EXPECT_EQ(Trace, "");
  EXPECT_EQ(Calls.Pending(), 1u);
  EXPECT_EQ(TakeDrainMessages(Window.Get()), 1);
  Calls.Drain();
  EXPECT_EQ(Trace, "after");
}

} // namespace
} // namespace vm
