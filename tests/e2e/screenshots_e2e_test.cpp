// Pictures of the program's windows as a user sees them, for a person to look at (fonts, emoji,
// layout) and for the README: the popup, the hint, the item menu, the settings dialog and an
// image preview. Each window is also checked to appear.
#include <cmath>
#include <cstdlib>

#include "e2e_fixture.h"

namespace vm::e2e {
namespace {

bool ContainsWindow(const std::vector<unsigned long>& AWindows, unsigned long AWindow) {
  return std::find(AWindows.begin(), AWindows.end(), AWindow) != AWindows.end();
}

// Where the list's rows are with the default settings: under the 23-pixel search box, rows of
// round(25 x 125 / DPI) pixels (33 at 96 DPI, 16 at 192) plus a one-pixel line; the marks column
// is 30 pixels wide.
struct TRows {
  TRect Client;
  int RowHeight = 33;
  int MarksX = 0, TextX = 0;
  int Y(int ARow) const { return Client.Y + 23 + ARow * (RowHeight + 1) + RowHeight / 2; }
};

class TScreenshotsE2E : public TE2ETest {
protected:
  // Opens the popup with Alt+C at a fixed place and finds its rows.
  TRows ShowRows() {
    MoveMouse(120, 80);
    const unsigned long Popup = ShowPopupByHotkey();
    TRows Rows;
    Rows.RowHeight = static_cast<int>(std::lround(25 * 125.0 / DesktopDpi()));
    if (const auto Client = Popup ? WindowGeometry(Popup) : std::nullopt) Rows.Client = *Client;
    Rows.MarksX = Rows.Client.X + 15;
    Rows.TextX = Rows.Client.X + 120;
    return Rows;
  }

  // The frames of the program's visible windows, with a margin, as one rectangle on the screen.
  std::optional<TRect> ProgramArea() {
    std::optional<TRect> Box;
    for (unsigned long W : VisibleProgramWindows()) {
      const auto F = FrameGeometry(W);
      if (!F) continue;
      if (!Box) {
        Box = *F;
        continue;
      }
      const int Right = std::max(Box->X + Box->W, F->X + F->W), Bottom = std::max(Box->Y + Box->H, F->Y + F->H);
      Box->X = std::min(Box->X, F->X);
      Box->Y = std::min(Box->Y, F->Y);
      Box->W = Right - Box->X;
      Box->H = Bottom - Box->Y;
    }
    if (!Box) return std::nullopt;
    const int M = 16;
    const int X = std::max(0, Box->X - M), Y = std::max(0, Box->Y - M);
    return TRect{X, Y, std::min(TVirtualDesktop::Width, Box->X + Box->W + M) - X,
                 std::min(TVirtualDesktop::Height, Box->Y + Box->H + M) - Y};
  }

  void Shoot(const std::string& AName, std::optional<TRect> ACrop = std::nullopt) {
    if (!ACrop) ACrop = ProgramArea();
    const std::string Suffix = DesktopDpi() == 96 ? "" : "_" + std::to_string(DesktopDpi()) + "dpi";
    const fs::path File = ScreenshotFolder() / (AName + Suffix + ".png");
    EXPECT_TRUE(ACrop ? Screenshot(File, *ACrop) : Screenshot(File)) << File;
    std::cout << "screenshot: " << File.string() << "\n";
  }

  // The program has handled everything before: the popup shows and hides once more.
  void RoundTripAfterDialog() {
    ShowRows();
    Key("Escape");
    EXPECT_TRUE(WaitPopupHidden());
  }

  // Waits until the program shows a window that is not in AKnown (and, given AAt, has its
  // top-left corner there) and returns it.
  unsigned long WaitForNewWindow(const std::vector<unsigned long>& AKnown, const std::string& AWhat,
                                 std::optional<std::pair<int, int>> AAt = std::nullopt) {
    unsigned long Found = 0;
    EXPECT_TRUE(WaitUntil([&] {
      for (unsigned long W : VisibleProgramWindows()) {
        if (ContainsWindow(AKnown, W)) continue;
        const auto G = WindowGeometry(W);
        if (AAt && (!G || std::abs(G->X - AAt->first) > 2 || std::abs(G->Y - AAt->second) > 2)) continue;
        return (Found = W) != 0;
      }
      return false;
    }, 5000ms)) << AWhat << " did not appear";
    return Found;
  }
};

// The same pictures on a display of 96 and of 192 DPI.
class TScreenshotsAtDpiE2E : public TScreenshotsE2E, public ::testing::WithParamInterface<int> {
protected:
  int DesktopDpi() const override { return GetParam(); }
};

TEST_P(TScreenshotsAtDpiE2E, PopupHintMenuSettingsAndPreview) {
  ASSERT_NO_FATAL_FAILURE(StartProgram());
  const fs::path Folder = Root() / "写真 フォルダ";
  WriteFile(Folder / "旅行の記録.txt", "1");
  WriteFile(Folder / "日程表.txt", "2");
  const fs::path Png = Root() / "picture.png";
  WriteFile(Png, MakePng(120, 80, 0x3060C0, 0xF0A020));

  CopyTextAndWait("長いテキスト：吾輩は猫である。名前はまだ無い。どこで生れたかとんと見当がつかぬ。\n"
                  "何でも薄暗いじめじめした所でニャーニャー泣いていた事だけは記憶している。\n"
                  "Line three with ASCII & an ampersand | and a bar");
  CopyWithTarget("text/uri-list",
                 FileUri(Folder / "旅行の記録.txt") + "\r\n" + FileUri(Folder / "日程表.txt") + "\r\n");
  WaitForHistory([](const auto& AH) { return !AH.empty() && AH.front().Type == 2; });
  CopyTextAndWait("絵文字も表示 😀🎉✨👍 テスト");
  CopyTextAndWait("日本語のテキスト：こんにちは、世界");
  CopyWithTarget("image/png", ReadFile(Png));
  WaitForHistory([](const auto& AH) { return !AH.empty() && AH.front().Type == 1; });
  // The target stays out of the pictures.
  MoveWindow(StartTarget(), 1000, 1000);

  // Pin the Japanese text (row 1) so that the list shows every mark.
  MoveMouse(120, 80);
  ASSERT_NE(ShowPopupByHotkey(), 0u);
  Key("Down");
  Key("ctrl+p");
  WaitForHistory([](const auto& AH) { return !AH.empty() && AH.front().Pinned; });
  // Rows: 0 pinned Japanese text, 1 image, 2 emoji text, 3 file list, 4 long text.
  TRows Rows = ShowRows();
  MoveMouse(Rows.TextX, Rows.Y(12)); // below the entries: no hint
  Shoot("popup");

  // The hint of the long text: pale cyan, below the pointer.
  const std::vector<unsigned long> WithPopup = VisibleProgramWindows();
  MoveMouse(Rows.TextX, Rows.Y(4));
  const unsigned long Hint = WaitForNewWindow(WithPopup, "the hint");
  ASSERT_NE(Hint, 0u);
  const auto HintRect = WindowGeometry(Hint);
  ASSERT_TRUE(HintRect);
  EXPECT_GT(HintRect->Y, Rows.Y(4));
  EXPECT_TRUE(WaitUntil([&] { return ScreenPixel(HintRect->X + HintRect->W - 4, HintRect->Y + HintRect->H / 2) ==
                                     0xE1FFFFu; }, 2000ms))
      << "the hint is not painted pale cyan";
  Shoot("hint");

  // The item menu of the file list (it shows the path item), then "設定..." from it.
  // Its hint is let go first (it hides by itself), so that it does not stand beside the menu.
  const std::vector<unsigned long> BeforeHint = VisibleProgramWindows();
  MoveMouse(Rows.TextX, Rows.Y(3));
  const unsigned long FilesHint = WaitForNewWindow(BeforeHint, "the hint of the file list");
  EXPECT_TRUE(WaitUntil([&] { return !ContainsWindow(VisibleProgramWindows(), FilesHint); }, 6000ms))
      << "the hint did not hide by itself";
  const std::vector<unsigned long> BeforeMenu = VisibleProgramWindows();
  Click(3);
  const unsigned long Menu = WaitForNewWindow(BeforeMenu, "the item menu", std::pair{Rows.TextX, Rows.Y(3)});
  ASSERT_NE(Menu, 0u);
  Shoot("item_menu");
  Key("Up");
  Key("Up");
  Key("Return");
  ASSERT_TRUE(WaitUntil([&] { return !VisibleWindows("Vellomarch 設定").empty(); }, 5000ms))
      << "the settings dialog did not open from the item menu";
  Shoot("settings");
  // The dialog's design is for 96 DPI and scaled as the desktop's toolkit scales it.
  const auto Dialogs = VisibleWindows("Vellomarch 設定");
  const auto Dialog = Dialogs.empty() ? std::nullopt : WindowGeometry(Dialogs.front());
  ASSERT_TRUE(Dialog);
  EXPECT_EQ(Dialog->W, 504 * DesktopDpi() / 96);
  EXPECT_EQ(Dialog->H, 620 * DesktopDpi() / 96);
  Key("Escape");
  ASSERT_TRUE(WaitUntil([] { return VisibleWindows("Vellomarch 設定").empty(); }, 5000ms));

  // The preview of the image (row 1), opened from the marks column: the picture at its natural
  // size with its corner at the pointer, gone by itself after three seconds.
  Rows = ShowRows();
  const std::vector<unsigned long> Before = VisibleProgramWindows();
  MoveMouse(Rows.MarksX, Rows.Y(1));
  Click(1);
  const unsigned long Preview = WaitForNewWindow(Before, "the image preview");
  ASSERT_NE(Preview, 0u);
  // Measured before the picture is taken: the preview closes by itself three seconds after it opened.
  const auto Shown = WindowGeometry(Preview);
  Shoot("image_preview");
  ASSERT_TRUE(Shown);
  EXPECT_EQ(Shown->X, Rows.MarksX);
  EXPECT_EQ(Shown->Y, Rows.Y(1));
  EXPECT_EQ(Shown->W, 120);
  EXPECT_EQ(Shown->H, 80);
  EXPECT_TRUE(WaitUntil([&] { return !ContainsWindow(VisibleProgramWindows(), Preview); }, 6000ms))
      << "the preview did not close by itself";
}

INSTANTIATE_TEST_SUITE_P(Dpi, TScreenshotsAtDpiE2E, ::testing::Values(96, 192),
                         [](const auto& AInfo) { return std::to_string(AInfo.param); });


TEST_F(TScreenshotsE2E, TrayMenuAndClearAllConfirmation) {
  ASSERT_NO_FATAL_FAILURE(StartProgram());
  CopyTextAndWait("消さないでください");
  MoveWindow(StartTarget(), 1000, 1000);

  // The tray icon's menu, opened by a right click on the icon.
  const auto Icons = TrayIconsOf(Program().Pid());
  ASSERT_EQ(Icons.size(), 1u);
  const auto Icon = WindowGeometry(Icons.front());
  ASSERT_TRUE(Icon);
  MoveMouse(Icon->X + Icon->W / 2, Icon->Y + Icon->H / 2);
  const std::vector<unsigned long> BeforeTrayMenu = VisibleProgramWindows();
  Click(3);
  const unsigned long TrayMenu = WaitForNewWindow(BeforeTrayMenu, "the tray menu");
  ASSERT_NE(TrayMenu, 0u);
  Shoot("tray_menu");
  Key("Escape");
  ASSERT_TRUE(WaitUntil([&] { return !ContainsWindow(VisibleProgramWindows(), TrayMenu); }, 5000ms));

  // "履歴をすべてクリア" from the item menu asks first; Escape answers no.
  TRows Rows = ShowRows();
  MoveMouse(Rows.TextX, Rows.Y(12));
  const std::vector<unsigned long> BeforeMenu = VisibleProgramWindows();
  Click(3);
  ASSERT_NE(WaitForNewWindow(BeforeMenu, "the item menu"), 0u);
  Key("Up");
  Key("Up");
  Key("Up");
  Key("Return");
  std::vector<unsigned long> Confirm;
  ASSERT_TRUE(WaitUntil([&] { return !(Confirm = VisibleWindows("確認")).empty(); }, 5000ms))
      << "no confirmation titled 確認";
  if (const auto Frame = FrameGeometry(Confirm.front()))
    Shoot("clear_all_confirmation",
          TRect{std::max(0, Frame->X - 16), std::max(0, Frame->Y - 16), Frame->W + 32, Frame->H + 32});
  ActivateWindow(Confirm.front());
  Key("Escape");
  ASSERT_TRUE(WaitUntil([] { return VisibleWindows("確認").empty(); }, 5000ms));
  RoundTripAfterDialog();
  EXPECT_EQ(History(), std::vector<TEntry>{TextEntry("消さないでください")});
}

} // namespace
} // namespace vm::e2e
