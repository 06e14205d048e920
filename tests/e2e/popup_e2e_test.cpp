// The popup on Alt+C: placement, search, paste into another program, copy only, row keys, hiding.
#include "e2e_fixture.h"

namespace vm::e2e {
namespace {

class TPopupE2E : public TE2ETest {
protected:
  void SetUp() override {
    TE2ETest::SetUp();
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    FTargetWindow = StartTarget();
    ASSERT_NE(FTargetWindow, 0u);
  }

  // Shows and hides the popup once: the program has then handled everything it was sent before,
  // so anything a previous command would have done (a paste, a capture of its own write) is done.
  void RoundTrip() {
    ShowPopupByHotkey();
    Key("Escape");
    ASSERT_TRUE(WaitPopupHidden());
    ASSERT_TRUE(WaitUntil([&] { return ActiveWindow() == FTargetWindow; }, 5000ms));
  }

  // Types a marker into the target and returns what the target then holds: a paste that was sent
  // earlier shows up in front of the marker.
  std::string TargetTextBeforeMarker() {
    ActivateWindow(FTargetWindow);
    const std::string Before = TargetText();
    TypeText("#");
    WaitUntil([&] { return TargetText().size() > Before.size(); }, 5000ms);
    std::string Text = TargetText();
    if (!Text.empty() && Text.back() == '#') Text.pop_back();
    return Text;
  }

  unsigned long FTargetWindow = 0;
};

TEST_F(TPopupE2E, OpensAtThePointerAndStaysInsideTheWorkArea) {
  CopyTextAndWait("位置の確認");
  const auto Area = WorkArea();
  ASSERT_TRUE(Area);
  const struct {
    int X, Y;
  } Pointers[] = {{300, 200}, {TVirtualDesktop::Width - 3, TVirtualDesktop::Height - 3}, {2, TVirtualDesktop::Height - 2},
                  {TVirtualDesktop::Width - 2, 2}};
  for (const auto& P : Pointers) {
    SCOPED_TRACE("pointer at " + std::to_string(P.X) + "," + std::to_string(P.Y));
    ActivateWindow(FTargetWindow);
    MoveMouse(P.X, P.Y);
    const unsigned long Popup = ShowPopupByHotkey();
    ASSERT_NE(Popup, 0u);
    std::optional<TRect> Frame;
    // The window manager may place the frame a moment after the window was mapped.
    WaitUntil([&] {
      Frame = FrameGeometry(Popup);
      return Frame && Frame->X == std::clamp(P.X, Area->X, Area->X + Area->W - Frame->W) &&
             Frame->Y == std::clamp(P.Y, Area->Y, Area->Y + Area->H - Frame->H);
    }, 2000ms);
    ASSERT_TRUE(Frame);
    EXPECT_EQ(Frame->X, std::clamp(P.X, Area->X, Area->X + Area->W - Frame->W));
    EXPECT_EQ(Frame->Y, std::clamp(P.Y, Area->Y, Area->Y + Area->H - Frame->H));
    EXPECT_GE(Frame->X, Area->X);
    EXPECT_GE(Frame->Y, Area->Y);
    EXPECT_LE(Frame->X + Frame->W, Area->X + Area->W);
    EXPECT_LE(Frame->Y + Frame->H, Area->Y + Area->H);
    EXPECT_EQ(ActiveWindow(), Popup) << "the popup did not take the focus";
    Key("Escape");
    ASSERT_TRUE(WaitPopupHidden());
  }
}

TEST_F(TPopupE2E, TypingFiltersAndEnterPastesIntoTheTarget) {
  CopyTextAndWait("apple pie");
  CopyTextAndWait("日本語 cherry");
  CopyTextAndWait("banana split");
  ActivateWindow(FTargetWindow);

  ShowPopupByHotkey();
  TypeText("cherry");
  Key("Return");
  EXPECT_TRUE(WaitForTargetText("日本語 cherry")) << "the target holds \"" << TargetText() << "\"";
  EXPECT_TRUE(WaitPopupHidden());

  ASSERT_NO_FATAL_FAILURE(RoundTrip());
  EXPECT_EQ(History(), (std::vector<TEntry>{TextEntry("日本語 cherry"), TextEntry("banana split"),
                                           TextEntry("apple pie")}));
  // The program's own write was skipped once, and only once: the next copy is recorded.
  const auto H = CopyTextAndWait("次のコピー");
  EXPECT_EQ(H.size(), 4u);
}

TEST_F(TPopupE2E, ShiftEnterCopiesWithoutPasting) {
  CopyTextAndWait("一番目");
  CopyTextAndWait("二番目");
  ActivateWindow(FTargetWindow);

  ShowPopupByHotkey();
  Key("Down");
  Key("shift+Return");
  EXPECT_TRUE(WaitPopupHidden());
  EXPECT_TRUE(WaitUntil([&] { return ClipboardText() == "一番目"; }, 5000ms))
      << "the clipboard holds \"" << ClipboardText() << "\"";

  ASSERT_NO_FATAL_FAILURE(RoundTrip());
  EXPECT_EQ(TargetTextBeforeMarker(), "") << "Shift+Enter pasted";
  EXPECT_EQ(History(), (std::vector<TEntry>{TextEntry("一番目"), TextEntry("二番目")}));
}

TEST_F(TPopupE2E, CtrlDigitPastesThatRow) {
  CopyTextAndWait("行1");
  CopyTextAndWait("行2");
  CopyTextAndWait("行3");
  ActivateWindow(FTargetWindow);

  ShowPopupByHotkey();
  Key("ctrl+2");
  EXPECT_TRUE(WaitForTargetText("行2")) << "the target holds \"" << TargetText() << "\"";
  ASSERT_NO_FATAL_FAILURE(RoundTrip());
  EXPECT_EQ(History(), (std::vector<TEntry>{TextEntry("行2"), TextEntry("行3"), TextEntry("行1")}));
}

TEST_F(TPopupE2E, EscapeHidesWithoutPasting) {
  CopyTextAndWait("貼り付けない");
  ActivateWindow(FTargetWindow);
  ShowPopupByHotkey();
  Key("Escape");
  EXPECT_TRUE(WaitPopupHidden());
  ASSERT_NO_FATAL_FAILURE(RoundTrip());
  EXPECT_EQ(TargetTextBeforeMarker(), "");
}

TEST_F(TPopupE2E, ActivatingAnotherWindowHidesThePopup) {
  CopyTextAndWait("フォーカス");
  ShowPopupByHotkey();
  ActivateWindow(FTargetWindow);
  EXPECT_TRUE(WaitPopupHidden(2000ms)) << "the popup stayed after another window became active";
}

TEST_F(TPopupE2E, CopyingAnImageBackRecordsNoNewEntry) {
  const fs::path Png = Root() / "picture.png";
  WriteFile(Png, MakePng(16, 16, 0x00FF00, 0xFF00FF));
  const std::string Name = Md5Hex(Png) + ".png";
  CopyWithTarget("image/png", ReadFile(Png));
  WaitForHistory([&](const auto& AH) { return !AH.empty() && AH.front().Type == 1; });
  CopyTextAndWait("画像の上");
  ActivateWindow(FTargetWindow);

  ShowPopupByHotkey();
  Key("Down");
  Key("shift+Return");
  EXPECT_TRUE(WaitPopupHidden());
  EXPECT_TRUE(WaitUntil([&] { return ClipboardTargets().find("image/png") != std::string::npos; }, 5000ms));
  ASSERT_NO_FATAL_FAILURE(RoundTrip());
  // The picture went out re-encoded, so a capture of it would have had another name.
  EXPECT_EQ(History(), (std::vector<TEntry>{TEntry{1, "", Name, false}, TextEntry("画像の上")}));
  const auto H = CopyTextAndWait("その次");
  EXPECT_EQ(H.size(), 3u);
}

} // namespace
} // namespace vm::e2e
