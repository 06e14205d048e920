// The image preview as the user meets it: a left press on the marks of an image entry.
#include <gtest/gtest.h>

#include <filesystem>

#include "fakes/scenario_fixture.h"
#include "support/data_folders.h"

namespace vm::test {
namespace {

// An image in the history, the popup open, the pointer at AAt, a left press on the image's marks.
void PreviewFirstEntry(TScenarioWorld& W, TPoint AAt) {
  W.Frm->ShowPopup();
  const TPoint Cell = W.F.Popup.CellCentre(0, 0);
  W.F.Screen.Cursor = AAt;
  W.Frm->ClipHistoryGridMouseDown(TMouseButton::Left, Cell.X, Cell.Y);
}

TEST(TPreviewScenario, ThePictureShowsAtThePointerAtItsSizeUntilTheTimerAClickOrAKey) {
  struct TCase {
    const char* Name;
    TPreviewUser User;
  };
  const std::vector<TCase> Cases{
      {"three seconds pass", [](IImagePreviewHandlers& AHandlers) { AHandlers.Timer1Timer(); }},
      {"left click", [](IImagePreviewHandlers& AHandlers) { AHandlers.FormClick(); }},
      {"a key (Shift alone)", [](IImagePreviewHandlers& AHandlers) { AHandlers.FormKeyDown(); }},
  };
  for (const TCase& Case : Cases) {
    SCOPED_TRACE(Case.Name);
    TScenarioWorld W;
    W.Start();
    const TImage Image = TFakeImaging::SolidImage(20, 10, 0xFF00FF00);
    W.CopyPng(Image);
    W.F.Dialogs.PreviewUser = Case.User;
    // Near the bottom-right corner: the preview still opens with its corner at the pointer.
    PreviewFirstEntry(W, {1910, 1035});

    ASSERT_EQ(W.F.Dialogs.Previews.size(), 1u);
    const TPreviewState& Shown = W.F.Dialogs.Previews[0];
    EXPECT_EQ(Shown.Left, 1910);
    EXPECT_EQ(Shown.Top, 1035);
    EXPECT_EQ(Shown.ClientWidth, 20);
    EXPECT_EQ(Shown.ClientHeight, 10);
    ASSERT_TRUE(Shown.HasPicture);
    EXPECT_EQ(Shown.Picture.Pixels, Image.Pixels);
    EXPECT_EQ(Shown.TimerInterval, 3000);
    EXPECT_FALSE(Shown.TimerRunning);
    EXPECT_TRUE(Shown.Ended);
    EXPECT_TRUE(W.F.MessageBoxes.Errors.empty());
    // Previewing pastes nothing.
    EXPECT_TRUE(W.F.FocusInput.SentInputs.empty());
  }
}

TEST(TPreviewScenario, AMissingPictureGivesTheErrorBoxAndAnEmptyWindowWithoutTimer) {
  TScenarioWorld W;
  W.Start();
  W.CopyPng(TFakeImaging::SolidImage(8, 8, 0xFFFFFFFF));
  const std::u16string Name = W.Frm->History().Items()[0].ImageFile;
  std::filesystem::remove(FsPath(ImagesDir() + Name));
  W.F.Dialogs.PreviewUser = [](IImagePreviewHandlers& AHandlers) { AHandlers.FormClick(); };
  PreviewFirstEntry(W, {300, 200});

  ASSERT_EQ(W.F.MessageBoxes.Errors.size(), 1u);
  EXPECT_NE(W.F.MessageBoxes.Errors[0].find(Name), std::u16string::npos);
  ASSERT_EQ(W.F.Dialogs.Previews.size(), 1u);
  const TPreviewState& Shown = W.F.Dialogs.Previews[0];
  EXPECT_EQ(Shown.Left, 300);
  EXPECT_EQ(Shown.Top, 200);
  EXPECT_EQ(Shown.ClientWidth, 640);
  EXPECT_EQ(Shown.ClientHeight, 480);
  EXPECT_FALSE(Shown.HasPicture);
  EXPECT_EQ(Shown.TimerInterval, 0); // never started
  EXPECT_TRUE(Shown.Ended);
  // Nothing is logged for it.
  for (const std::u16string& Line : W.LogLines()) EXPECT_EQ(Line.find(Name), std::u16string::npos);
}

} // namespace
} // namespace vm::test
