// Pictures of the program's windows as a user sees them, for a person to look at (fonts, emoji,
// layout) and for the README: the popup, the hint, the item menu, the settings dialog and an
// image preview. Each window is also checked to appear.
#include "e2e_fixture.h"

namespace vm::e2e {
namespace {

class TScreenshotsE2E : public TE2ETest {
protected:
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
    const fs::path File = ScreenshotFolder() / (AName + ".png");
    EXPECT_TRUE(ACrop ? Screenshot(File, *ACrop) : Screenshot(File)) << File;
    std::cout << "screenshot: " << File.string() << "\n";
  }

  // Waits until the program shows one more window than AKnown and returns it.
  unsigned long WaitForNewWindow(const std::vector<unsigned long>& AKnown, const std::string& AWhat) {
    unsigned long Found = 0;
    EXPECT_TRUE(WaitUntil([&] {
      for (unsigned long W : VisibleProgramWindows())
        if (std::find(AKnown.begin(), AKnown.end(), W) == AKnown.end()) return (Found = W) != 0;
      return false;
    }, 5000ms)) << AWhat << " did not appear";
    return Found;
  }
};

TEST_F(TScreenshotsE2E, PopupHintMenuSettingsAndPreview) {
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
  const unsigned long Target = StartTarget();
  (void)Target;

  // Pin the Japanese text (row 1) so that the list shows every mark.
  MoveMouse(120, 80);
  unsigned long Popup = ShowPopupByHotkey();
  ASSERT_NE(Popup, 0u);
  Key("Down");
  Key("ctrl+p");
  WaitForHistory([](const auto& AH) { return !AH.empty() && AH.front().Pinned; });
  const auto Client = WindowGeometry(Popup);
  ASSERT_TRUE(Client);
  // The list's rows at 96 DPI with the default settings: under the 23-pixel search box, rows of
  // 33 pixels plus a one-pixel line; the marks column is 30 pixels wide.
  auto RowY = [&](int ARow) { return Client->Y + 23 + ARow * 34 + 16; };
  const int MarksX = Client->X + 15, TextX = Client->X + 120;
  // Rows: 0 pinned Japanese text, 1 image, 2 emoji text, 3 file list, 4 long text.
  MoveMouse(TextX, RowY(2));
  Shoot("popup");

  // The hint of the long text.
  const std::vector<unsigned long> WithPopup = VisibleProgramWindows();
  MoveMouse(TextX, RowY(4));
  const unsigned long Hint = WaitForNewWindow(WithPopup, "the hint");
  Shoot("hint");
  EXPECT_NE(Hint, 0u);

  // The item menu of the file list (it shows the path item), then "設定..." from it.
  MoveMouse(TextX, RowY(3));
  WaitUntil([&] { return VisibleProgramWindows().size() == WithPopup.size(); }, 4000ms);
  Click(3);
  const unsigned long Menu = WaitForNewWindow(WithPopup, "the item menu");
  Shoot("item_menu");
  ASSERT_NE(Menu, 0u);
  Key("Up");
  Key("Up");
  Key("Return");
  std::vector<unsigned long> Settings;
  ASSERT_TRUE(WaitUntil([&] { return !(Settings = VisibleWindows("Vellomarch 設定")).empty(); }, 5000ms))
      << "the settings dialog did not open from the item menu";
  Shoot("settings");
  Key("Escape");
  ASSERT_TRUE(WaitUntil([] { return VisibleWindows("Vellomarch 設定").empty(); }, 5000ms));

  // The preview of the image (row 1), opened from the marks column.
  MoveMouse(120, 80);
  Popup = ShowPopupByHotkey();
  ASSERT_NE(Popup, 0u);
  const std::vector<unsigned long> Before = VisibleProgramWindows();
  MoveMouse(MarksX, RowY(1));
  Click(1);
  const unsigned long Preview = WaitForNewWindow(Before, "the image preview");
  ASSERT_NE(Preview, 0u);
  Shoot("image_preview");
  const auto Shown = WindowGeometry(Preview);
  ASSERT_TRUE(Shown);
  EXPECT_EQ(Shown->W, 120);
  EXPECT_EQ(Shown->H, 80);
}

} // namespace
} // namespace vm::e2e
