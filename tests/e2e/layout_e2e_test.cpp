// The popup's layout on displays of different DPI, its following a change of the display's DPI,
// and the window-manager hints of its frame.
#include "e2e_fixture.h"

namespace vm::e2e {
namespace {

// The popup's client area with the default settings (width 240, row height 25, 30 rows) under
// the 23-pixel search box. S = 125 / DPI; rows round(25 S), lines round(S), and round(4 S) more:
//   96 DPI: S = 1.302, 23 + 30 x 33 + 30 x 1 + 5 = 1048;
//  192 DPI: S = 0.651, 23 + 30 x 16 + 30 x 1 + 3 = 536.
struct TLayoutCase {
  int Dpi;
  int ClientHeight;
};
constexpr int WidthSetting = 240;

std::string FrameExtents(unsigned long AWindow) {
  return RunCommand({"xprop", "-id", std::to_string(AWindow), "_NET_FRAME_EXTENTS"}).Out;
}

// The client size once the window manager's frame is in place: the outer width is the width
// setting, the client height the layout's.
void ExpectClientSize(unsigned long APopup, int AClientHeight) {
  std::optional<TRect> Client, Frame;
  WaitUntil([&] {
    Client = WindowGeometry(APopup);
    Frame = FrameGeometry(APopup);
    return Client && Frame && Client->H == AClientHeight && Frame->W == WidthSetting;
  }, 3000ms);
  ASSERT_TRUE(Client && Frame);
  EXPECT_EQ(Client->H, AClientHeight) << FrameExtents(APopup);
  EXPECT_EQ(Frame->W, WidthSetting) << FrameExtents(APopup);
  EXPECT_EQ(Client->W, WidthSetting - (Frame->W - Client->W));
}

class TLayoutAtDpiE2E : public TE2ETest, public ::testing::WithParamInterface<TLayoutCase> {
protected:
  int DesktopDpi() const override { return GetParam().Dpi; }
};

TEST_P(TLayoutAtDpiE2E, ThePopupIsLaidOutForTheDisplaysDpi) {
  ASSERT_NO_FATAL_FAILURE(StartProgram());
  MoveMouse(100, 100);
  const unsigned long Popup = ShowPopupByHotkey();
  ASSERT_NE(Popup, 0u);
  ExpectClientSize(Popup, GetParam().ClientHeight);
  // The first showing already had the real frame: the frame's corner is at the pointer.
  const auto Frame = FrameGeometry(Popup);
  ASSERT_TRUE(Frame);
  EXPECT_EQ(Frame->X, 100);
  EXPECT_EQ(Frame->Y, 100);
}

INSTANTIATE_TEST_SUITE_P(Dpi, TLayoutAtDpiE2E, ::testing::Values(TLayoutCase{96, 1048}, TLayoutCase{192, 536}),
                         [](const auto& AInfo) { return std::to_string(AInfo.param.Dpi); });

class TLayoutE2E : public TE2ETest {};

TEST_F(TLayoutE2E, ALaterChangeOfTheDisplaysDpiLaysThePopupOutAgain) {
  ASSERT_NO_FATAL_FAILURE(StartProgram());
  MoveMouse(100, 100);
  const unsigned long Popup = ShowPopupByHotkey();
  ASSERT_NE(Popup, 0u);
  ExpectClientSize(Popup, 1048);

  // A session that switches to 192 DPI rewrites the X resources.
  ASSERT_EQ(RunCommand({"xrdb", "-nocpp", "-merge"}, 10000ms, "Xft.dpi: 192\n").ExitCode, 0);
  ExpectClientSize(Popup, 536);
  // Without the setting the screen's physical DPI (96 here) counts again.
  ASSERT_EQ(RunCommand({"xrdb", "-nocpp", "-remove"}).ExitCode, 0);
  ExpectClientSize(Popup, 1048);
}

TEST_F(TLayoutE2E, TheTitleBarAsksForNoButtonsAndNoWindowMenu) {
  ASSERT_NO_FATAL_FAILURE(StartProgram());
  const unsigned long Popup = ShowPopupByHotkey();
  ASSERT_NE(Popup, 0u);
  // Functions and decorations given (0x3); functions: move (0x4); decorations: border and title
  // (0x2 | 0x8), so no menu, minimise or maximise button.
  EXPECT_NE(RunCommand({"xprop", "-id", std::to_string(Popup), "_MOTIF_WM_HINTS"}).Out.find("= 0x3, 0x4, 0xa, 0x0, 0x0"),
            std::string::npos)
      << RunCommand({"xprop", "-id", std::to_string(Popup), "_MOTIF_WM_HINTS"}).Out;
  // openbox honours the hints only as far as resizing goes (it never lets them remove its
  // minimise and close buttons): the window cannot be resized or maximised.
  const std::string Allowed = RunCommand({"xprop", "-id", std::to_string(Popup), "_NET_WM_ALLOWED_ACTIONS"}).Out;
  for (const char* Action : {"_NET_WM_ACTION_RESIZE", "_NET_WM_ACTION_MAXIMIZE_HORZ", "_NET_WM_ACTION_MAXIMIZE_VERT",
                             "_NET_WM_ACTION_FULLSCREEN"})
    EXPECT_EQ(Allowed.find(Action), std::string::npos) << Action << " in " << Allowed;
  EXPECT_NE(Allowed.find("_NET_WM_ACTION_MOVE"), std::string::npos) << Allowed;
}

} // namespace
} // namespace vm::e2e
