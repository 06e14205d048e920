// A desktop without a system tray: the program still runs, records and opens on its hotkey, and a
// tray that starts later gets the program's icon.
#include "e2e_fixture.h"

namespace vm::e2e {
namespace {

using TTrayE2E = TE2ETest;

TEST_F(TTrayE2E, RunsWithoutATrayAndATrayStartedLaterGetsTheIcon) {
  ASSERT_NO_THROW(Desktop().StopTray());
  ASSERT_NO_FATAL_FAILURE(StartProgramWithoutTray());
  StartTarget();
  // A recorded copy means the program runs its loop, with the hotkeys registered before it.
  CopyTextAndWait("トレイなしで記録");
  EXPECT_TRUE(TrayIconsOf(Program().Pid()).empty());

  ShowPopupByHotkey();
  Key("Return");
  EXPECT_TRUE(WaitForTargetText("トレイなしで記録"));
  ASSERT_TRUE(Program().Running());

  ASSERT_NO_THROW(Desktop().StartTray());
  ASSERT_TRUE(WaitUntil([&] { return !TrayIconsOf(Program().Pid()).empty(); }, 30000ms, 100ms))
      << "the tray that started later got no icon";
  double Difference = 255;
  // The icon is painted a moment after it is embedded.
  EXPECT_TRUE(WaitUntil([&] { return (Difference = TrayIconDifference(VELLOMARCH_E2E_PROGRAM_ICON)) < 12; }, 5000ms,
                        100ms))
      << "the tray icon does not show the program's icon: mean difference " << Difference;

  // The late icon works like one that was there from the start.
  const auto Icon = WindowGeometry(TrayIconsOf(Program().Pid()).front());
  ASSERT_TRUE(Icon);
  MoveMouse(Icon->X + Icon->W / 2, Icon->Y + Icon->H / 2);
  Click(1);
  EXPECT_TRUE(WaitUntil([] { return !VisibleWindows(PopupTitle).empty(); }, 5000ms));
}

} // namespace
} // namespace vm::e2e
