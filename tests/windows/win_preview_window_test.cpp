// The image preview's window on Windows: a frameless tool window at the given place and size,
// modal over its disabled owner, handing the left button, every key and its timer to the
// preview's handlers, and drawing the picture from its top-left corner.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "platform/windows/win_preview_window.h"
#include "win_test_support.h"

namespace vm {
namespace {

// Handlers that count their calls; each may end the window as TDispImageFrm would.
struct TCountingHandlers final : IImagePreviewHandlers {
  explicit TCountingHandlers(TWinPreviewWindow& AWindow) : Window(AWindow) {}
  void FormShow() override {
    ++Shows;
    if (OnShow) OnShow();
  }
  void Timer1Timer() override { End(Timers); }
  void FormClick() override { End(Clicks); }
  void FormKeyDown() override { End(Keys); }
  void End(int& ACounter) {
    ++ACounter;
    Window.StopTimer();
    Window.EndModal();
  }
  TWinPreviewWindow& Window;
  std::function<void()> OnShow;
  int Shows = 0, Timers = 0, Clicks = 0, Keys = 0;
};

TImage TwoPixels() {
  TImage Image;
  Image.Width = 2;
  Image.Height = 1;
  Image.Pixels = {0xFFFF0000u, 0x000000FFu}; // opaque red, fully transparent blue
  return Image;
}

TEST(WinPreviewWindow, IsAFramelessToolWindowTitledForThePreview) {
  TWinPreviewWindow Window;
  ASSERT_NE(Window.Handle(), nullptr);
  wchar_t Title[32] = {};
  GetWindowTextW(Window.Handle(), Title, 32);
  EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(Title)), u"画像表示");
  const LONG_PTR Style = GetWindowLongPtrW(Window.Handle(), GWL_STYLE);
  const LONG_PTR ExStyle = GetWindowLongPtrW(Window.Handle(), GWL_EXSTYLE);
  EXPECT_TRUE(Style & WS_POPUP);
  EXPECT_FALSE(Style & (WS_CAPTION | WS_THICKFRAME | WS_BORDER));
  EXPECT_FALSE(ExStyle & WS_EX_APPWINDOW);
  EXPECT_TRUE(ExStyle & WS_EX_TOOLWINDOW);
  EXPECT_EQ(GetClassLongPtrW(Window.Handle(), GCLP_HBRBACKGROUND), COLOR_BTNFACE + 1);
}

TEST(WinPreviewWindow, ShowsWherePlacedAtThePicturesSize) {
  test::TTestWindow Owner;
  TWinPreviewWindow Window(Owner.Get());
  TCountingHandlers Handlers(Window);
  Handlers.OnShow = [&] {
    Window.SetPosition(120, 80);
    Window.SetClientSize(20, 10);
    Window.SetPicture(TwoPixels());
  };
  bool OwnerDisabled = false, Visible = false;
  RECT Frame{}, Client{};
  Window.OnShown = [&] {
    OwnerDisabled = !IsWindowEnabled(Owner.Get());
    Visible = IsWindowVisible(Window.Handle());
    GetWindowRect(Window.Handle(), &Frame);
    GetClientRect(Window.Handle(), &Client);
    PostMessageW(Window.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 1));
  };
  Window.RunModal(Handlers);
  EXPECT_EQ(Handlers.Shows, 1);
  EXPECT_TRUE(OwnerDisabled);
  EXPECT_TRUE(Visible);
  EXPECT_EQ(Frame.left, 120);
  EXPECT_EQ(Frame.top, 80);
  EXPECT_EQ(Client.right, 20);
  EXPECT_EQ(Client.bottom, 10);
  EXPECT_EQ(Frame.right - Frame.left, 20);
  // Closed: owner enabled again, window hidden.
  EXPECT_TRUE(IsWindowEnabled(Owner.Get()));
  EXPECT_FALSE(IsWindowVisible(Window.Handle()));
}

TEST(WinPreviewWindow, HandsTheLeftButtonEveryKeyAndTheTimerToTheHandlers) {
  struct TCase {
    const char* Name;
    UINT Message;
    WPARAM WParam;
    int TCountingHandlers::*Counter;
  };
  const TCase Cases[] = {
      {"left button", WM_LBUTTONDOWN, MK_LBUTTON, &TCountingHandlers::Clicks},
      {"a letter", WM_KEYDOWN, 'A', &TCountingHandlers::Keys},
      {"Shift alone", WM_KEYDOWN, VK_SHIFT, &TCountingHandlers::Keys},
      {"Alt alone", WM_SYSKEYDOWN, VK_MENU, &TCountingHandlers::Keys},
      {"timer", WM_TIMER, 1, &TCountingHandlers::Timers},
  };
  for (const TCase& Case : Cases) {
    SCOPED_TRACE(Case.Name);
    TWinPreviewWindow Window;
    TCountingHandlers Handlers(Window);
    Handlers.OnShow = [&] { Window.StartTimer(60000); };
    bool TimerRan = false;
    Window.OnShown = [&] {
      TimerRan = Window.TimerRunning();
      PostMessageW(Window.Handle(), Case.Message, Case.WParam, 0);
    };
    Window.RunModal(Handlers);
    EXPECT_TRUE(TimerRan);
    EXPECT_EQ(Handlers.*Case.Counter, 1);
    EXPECT_EQ(Handlers.Clicks + Handlers.Keys + Handlers.Timers, 1);
    EXPECT_FALSE(Window.TimerRunning());
  }
}

TEST(WinPreviewWindow, OtherButtonsLeaveItOpen) {
  TWinPreviewWindow Window;
  TCountingHandlers Handlers(Window);
  Window.OnShown = [&] {
    PostMessageW(Window.Handle(), WM_RBUTTONDOWN, MK_RBUTTON, 0);
    PostMessageW(Window.Handle(), WM_MBUTTONDOWN, MK_MBUTTON, 0);
    PostMessageW(Window.Handle(), WM_KEYDOWN, VK_ESCAPE, 0);
  };
  Window.RunModal(Handlers);
  EXPECT_EQ(Handlers.Clicks, 0);
  EXPECT_EQ(Handlers.Keys, 1);
}

TEST(WinPreviewWindow, DrawsThePictureFromTheTopLeftOnTheButtonFace) {
  TWinPreviewWindow Window;
  TCountingHandlers Handlers(Window);
  Handlers.OnShow = [&] {
    Window.SetClientSize(4, 2);
    Window.SetPicture(TwoPixels());
  };
  COLORREF Red = 0, Transparent = 0, Outside = 0;
  Window.OnShown = [&] {
    // Painted into a memory bitmap, as the window paints itself, so that no screen is read.
    const HDC Screen = GetDC(nullptr);
    const HDC Memory = CreateCompatibleDC(Screen);
    const HBITMAP Bitmap = CreateCompatibleBitmap(Screen, 4, 2);
    const HGDIOBJ Previous = SelectObject(Memory, Bitmap);
    SendMessageW(Window.Handle(), WM_PRINT, reinterpret_cast<WPARAM>(Memory),
                 PRF_CLIENT | PRF_ERASEBKGND | PRF_NONCLIENT);
    Red = GetPixel(Memory, 0, 0);
    Transparent = GetPixel(Memory, 1, 0);
    Outside = GetPixel(Memory, 3, 1);
    SelectObject(Memory, Previous);
    DeleteObject(Bitmap);
    DeleteDC(Memory);
    ReleaseDC(nullptr, Screen);
    PostMessageW(Window.Handle(), WM_KEYDOWN, 'X', 0);
  };
  Window.RunModal(Handlers);
  EXPECT_EQ(Red, RGB(255, 0, 0));
  EXPECT_EQ(Transparent, GetSysColor(COLOR_BTNFACE));
  EXPECT_EQ(Outside, GetSysColor(COLOR_BTNFACE));
}

TEST(WinPreviewWindow, AQuitMessageEndsItAndIsHandedOn) {
  TWinPreviewWindow Window;
  TCountingHandlers Handlers(Window);
  Window.OnShown = [] { PostQuitMessage(3); };
  Window.RunModal(Handlers);
  MSG Message;
  ASSERT_TRUE(PeekMessageW(&Message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(Message.wParam, 3u);
}

} // namespace
} // namespace vm
