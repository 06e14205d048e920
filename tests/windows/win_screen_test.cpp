// Pointer, work areas and DPI on the test's virtual display.
#include <gtest/gtest.h>

#include <windows.h>

#include "platform/windows/win_screen.h"
#include "win_test_support.h"

namespace vm {
namespace {

bool Inside(const TRect& AOuter, const TRect& AInner) {
  return AInner.Left >= AOuter.Left && AInner.Top >= AOuter.Top && AInner.Right <= AOuter.Right &&
         AInner.Bottom <= AOuter.Bottom;
}

TRect PrimaryScreen() { return {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}; }

TEST(WinScreen, PointerPositionIsWhereItWasPut) {
  // Wine moves the X pointer only for a program that has a window in the foreground.
  test::TDesktopTestLock Lock;
  test::TTestWindow Window;
  ShowWindow(Window.Get(), SW_SHOW);
  SetForegroundWindow(Window.Get());
  test::PumpMessages();
  TWinScreen Screen;
  ASSERT_TRUE(SetCursorPos(123, 45));
  EXPECT_EQ(Screen.GetCursorPos(), (TPoint{123, 45}));
}

TEST(WinScreen, WorkAreaIsTheNearestMonitorsAlsoForAPointOffEveryScreen) {
  TWinScreen Screen;
  const TRect Near = Screen.WorkAreaNearPoint({10, 10});
  EXPECT_GT(Near.Width(), 0);
  EXPECT_GT(Near.Height(), 0);
  EXPECT_TRUE(Inside(PrimaryScreen(), Near));
  EXPECT_EQ(Screen.WorkAreaNearPoint({100000, 100000}), Near); // one monitor: it is the nearest
  EXPECT_EQ(Screen.WorkAreaNearPoint({-5000, 20}), Near);
}

TEST(WinScreen, MainWindowsWorkAreaIsItsMonitors) {
  test::TTestWindow Window;
  TWinScreen Screen(Window.Get());
  SetWindowPos(Window.Get(), nullptr, 50, 60, 100, 100, SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_EQ(Screen.WorkAreaNearMainWindow(), Screen.WorkAreaNearPoint({50, 60}));
  TWinScreen WithoutWindow;
  EXPECT_EQ(WithoutWindow.WorkAreaNearMainWindow(), Screen.WorkAreaNearPoint({0, 0}));
}

TEST(WinScreen, SystemDpiAndScreenWidthAreTheDisplays) {
  TWinScreen Screen;
  const HDC Display = GetDC(nullptr);
  const int LogPixels = GetDeviceCaps(Display, LOGPIXELSX);
  ReleaseDC(nullptr, Display);
  EXPECT_EQ(Screen.SystemDpi(), LogPixels);
  EXPECT_EQ(Screen.PrimaryScreenWidth(), PrimaryScreen().Right);
  EXPECT_GT(Screen.PrimaryScreenWidth(), 0);
}

} // namespace
} // namespace vm
