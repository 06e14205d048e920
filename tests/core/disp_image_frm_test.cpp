// The image preview's rules over a window that records what it was told.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <system_error>
#include <vector>

#include "dialogs/disp_image_frm.h"
#include "fakes/fake_platform.h"
#include "fakes/test_support.h"
#include "history/file_access.h"
#include "support/data_folders.h"

namespace vm {
namespace {

using test::TFakeImaging;
using test::TFakeMessageBoxes;

class TRecordingPreviewWindow final : public IImagePreviewWindow {
public:
  std::vector<std::string> Calls;
  std::function<void(IImagePreviewHandlers&)> User; // what happens while the window is open
  TImage Picture;

  void RunModal(IImagePreviewHandlers& AHandlers) override {
    Calls.push_back("RunModal");
    AHandlers.FormShow();
    if (User) User(AHandlers);
  }
  void SetPosition(int ALeft, int ATop) override { Add("SetPosition", ALeft, ATop); }
  void SetClientSize(int AWidth, int AHeight) override { Add("SetClientSize", AWidth, AHeight); }
  void SetPicture(const TImage& AImage) override {
    Picture = AImage;
    Add("SetPicture", AImage.Width, AImage.Height);
  }
  void StartTimer(int AMilliseconds) override { Calls.push_back("StartTimer(" + std::to_string(AMilliseconds) + ")"); }
  void StopTimer() override { Calls.push_back("StopTimer"); }
  void EndModal() override { Calls.push_back("EndModal"); }

private:
  void Add(const std::string& AName, int A, int B) {
    Calls.push_back(AName + "(" + std::to_string(A) + "," + std::to_string(B) + ")");
  }
};

class TPreviewRules : public ::testing::Test {
protected:
  TPreviewRules() { ForceDirectories(ImagesDir()); }

  void WriteImage(const std::u16string& AName, const TBytes& AData) {
    test::WriteFileBytes(ImagesDir() + AName, std::string(AData.begin(), AData.end()));
  }
  void Show(int ALeft, int ATop, const std::u16string& AFileName) {
    TDispImageFrm Preview(Window, Imaging, Boxes);
    Preview.ShowAsModal(ALeft, ATop, AFileName);
  }

  test::TTempDataFolder Folder;
  TRecordingPreviewWindow Window;
  TFakeImaging Imaging;
  TFakeMessageBoxes Boxes;
};

TEST_F(TPreviewRules, ThePictureAtNaturalSizeWithItsCornerAtThePointerThenTheTimer) {
  const TImage Image = TFakeImaging::SolidImage(20, 10, 0xFF336699);
  WriteImage(u"0123abcd.png", TFakeImaging::MakePng(Image));
  // Near the screen's right edge: nothing moves it back onto the monitor.
  Show(1910, -4, u"0123abcd.png");
  const std::vector<std::string> Expected{"RunModal", "SetPosition(1910,-4)", "SetClientSize(20,10)",
                                          "SetPicture(20,10)", "StartTimer(3000)"};
  EXPECT_EQ(Window.Calls, Expected);
  EXPECT_EQ(Window.Picture.Pixels, Image.Pixels);
  EXPECT_TRUE(Boxes.Errors.empty());
}

TEST_F(TPreviewRules, TheTimerAClickOrAKeyStopsTheTimerAndEndsTheModalState) {
  WriteImage(u"a.png", TFakeImaging::MakePng(TFakeImaging::SolidImage(3, 3, 0)));
  const std::vector<std::pair<const char*, void (IImagePreviewHandlers::*)()>> Events{
      {"timer", &IImagePreviewHandlers::Timer1Timer},
      {"left click", &IImagePreviewHandlers::FormClick},
      {"any key", &IImagePreviewHandlers::FormKeyDown},
  };
  for (const auto& [Name, Event] : Events) {
    SCOPED_TRACE(Name);
    Window.Calls.clear();
    Window.User = [Event = Event](IImagePreviewHandlers& AHandlers) { (AHandlers.*Event)(); };
    Show(0, 0, u"a.png");
    ASSERT_GE(Window.Calls.size(), 2u);
    EXPECT_EQ(Window.Calls.back(), "EndModal");
    EXPECT_EQ(Window.Calls[Window.Calls.size() - 2], "StopTimer");
  }
}

TEST_F(TPreviewRules, AnUnreadablePictureIsReportedAndTheEmptyWindowWaitsWithoutATimer) {
  WriteImage(u"text.png", TBytes{'h', 'e', 'l', 'l', 'o'});
  WriteImage(u"huge.png", TFakeImaging::MakePngHeader(40000, 10));
  const std::u16string NotFound =
      SystemErrorText(std::make_error_code(std::errc::no_such_file_or_directory));
  struct TCase {
    const char* Name;
    std::u16string FileName;
    std::vector<std::u16string> MessageParts;
  };
  const std::vector<TCase> Cases{
      {"missing file", u"gone.png", {ImagesDir() + u"gone.png", NotFound}},
      {"not a PNG", u"text.png", {u"not a PNG"}},
      {"too large to decode", u"huge.png", {}},
  };
  for (const TCase& Case : Cases) {
    SCOPED_TRACE(Case.Name);
    Window.Calls.clear();
    Boxes.Errors.clear();
    Window.User = [](IImagePreviewHandlers& AHandlers) { AHandlers.FormClick(); };
    Show(50, 60, Case.FileName);
    ASSERT_EQ(Boxes.Errors.size(), 1u);
    EXPECT_FALSE(Boxes.Errors[0].empty());
    for (const std::u16string& Part : Case.MessageParts)
      EXPECT_NE(Boxes.Errors[0].find(Part), std::u16string::npos) << Utf16ToUtf8(Boxes.Errors[0]);
    const std::vector<std::string> Expected{"RunModal",  "SetPosition(50,60)", "SetClientSize(640,480)",
                                            "StopTimer", "EndModal"};
    EXPECT_EQ(Window.Calls, Expected);
  }
}

} // namespace
} // namespace vm
