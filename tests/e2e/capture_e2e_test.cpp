// What another program's copy leaves in the history file and the data folder.
#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <sstream>

#include "e2e_fixture.h"

namespace vm::e2e {
namespace {

std::uint32_t Le32(const std::string& ABytes, std::size_t AOffset) {
  std::uint32_t V = 0;
  for (int K = 3; K >= 0; --K) V = (V << 8) | static_cast<unsigned char>(ABytes[AOffset + K]);
  return V;
}

bool IsText(const std::vector<TEntry>& AHistory, const std::string& AText) {
  return std::any_of(AHistory.begin(), AHistory.end(), [&](const TEntry& E) { return E.Text == AText; });
}

class TCaptureE2E : public TE2ETest {
protected:
  void SetUp() override {
    TE2ETest::SetUp();
    ASSERT_NO_FATAL_FAILURE(StartProgram());
  }
};

TEST_F(TCaptureE2E, JapaneseTextIsRecordedExactly) {
  const std::string Text = "日本語のテキスト、絵文字📌と\tタブ\n二行目 ";
  CopyText(Text);
  const auto H = WaitForHistory([&](const auto& AH) { return !AH.empty(); });
  EXPECT_EQ(H, std::vector<TEntry>{TextEntry(Text)});
}

TEST_F(TCaptureE2E, FileListIsRecordedAsDecodedLocalPaths) {
  const fs::path Folder = Root() / "コピー元 フォルダ";
  const fs::path First = Folder / "資料 1.txt";
  const fs::path Second = Folder / "100%#a&b.txt";
  WriteFile(First, "1");
  WriteFile(Second, "2");

  CopyWithTarget("text/uri-list", FileUri(First) + "\r\n" + FileUri(Second) + "\r\n");
  const auto H = WaitForHistory([&](const auto& AH) { return !AH.empty(); });
  EXPECT_EQ(H, (std::vector<TEntry>{TEntry{2, First.string() + "\r\n" + Second.string(), "", false}}));
}

TEST_F(TCaptureE2E, PngIsStoredUnderItsMd5WithA20x20Thumbnail) {
  // 40 x 10, red left half and blue right half: squashed into the full square, the thumbnail's
  // left columns are red and its right columns blue from top to bottom.
  const fs::path Png = Root() / "picture.png";
  WriteFile(Png, MakePng(40, 10, 0xFF0000, 0x0000FF));
  const std::string Name = Md5Hex(Png) + ".png";

  CopyWithTarget("image/png", ReadFile(Png));
  auto H = WaitForHistory([&](const auto& AH) { return !AH.empty(); });
  EXPECT_EQ(H, (std::vector<TEntry>{TEntry{1, "", Name, false}}));

  const std::string Stored = ReadFile(DataFolder() / "Images" / Name);
  EXPECT_EQ(Stored.substr(0, 8), "\x89PNG\r\n\x1a\n") << "no PNG file under the MD5 name";

  const std::string Bmp = ReadFile(DataFolder() / "ResizeImages" / (Md5Hex(Png) + ".bmp"));
  ASSERT_GE(Bmp.size(), 54u + 20 * 60) << "thumbnail missing or short";
  EXPECT_EQ(Bmp.substr(0, 2), "BM");
  EXPECT_EQ(Le32(Bmp, 18), 20u);                                  // width
  EXPECT_EQ(static_cast<std::int32_t>(Le32(Bmp, 22)) < 0 ? -static_cast<std::int32_t>(Le32(Bmp, 22))
                                                          : static_cast<std::int32_t>(Le32(Bmp, 22)),
            20);                                                  // height, either row order
  EXPECT_EQ(Le32(Bmp, 26) & 0xFFFF, 1u);                          // planes
  EXPECT_EQ(Le32(Bmp, 26) >> 16, 24u);                            // bits per pixel
  EXPECT_EQ(Le32(Bmp, 30), 0u);                                   // BI_RGB
  const std::size_t Pixels = Le32(Bmp, 10);
  ASSERT_GE(Bmp.size(), Pixels + 20 * 60);
  for (int Row = 0; Row < 20; ++Row) {
    const std::size_t Line = Pixels + static_cast<std::size_t>(Row) * 60;
    auto Pixel = [&](int AX) {
      const std::size_t P = Line + static_cast<std::size_t>(AX) * 3; // B, G, R
      return std::array<int, 3>{static_cast<unsigned char>(Bmp[P + 2]), static_cast<unsigned char>(Bmp[P + 1]),
                                static_cast<unsigned char>(Bmp[P])};
    };
    EXPECT_EQ(Pixel(0), (std::array<int, 3>{255, 0, 0})) << "row " << Row;
    EXPECT_EQ(Pixel(19), (std::array<int, 3>{0, 0, 255})) << "row " << Row;
  }

  // The same bytes again map to the same file: the entry moves up, nothing is added.
  CopyTextAndWait("間のテキスト");
  CopyWithTarget("image/png", ReadFile(Png));
  H = WaitForHistory([&](const auto& AH) { return !AH.empty() && AH.front().Type == 1; });
  EXPECT_EQ(H, (std::vector<TEntry>{TEntry{1, "", Name, false}, TextEntry("間のテキスト")}));
  EXPECT_EQ(std::distance(fs::directory_iterator(DataFolder() / "Images"), fs::directory_iterator{}), 1);
}

std::uint32_t Be32(const std::string& ABytes, std::size_t AOffset) {
  std::uint32_t V = 0;
  for (std::size_t K = 0; K < 4; ++K) V = (V << 8) | static_cast<unsigned char>(ABytes[AOffset + K]);
  return V;
}

std::vector<std::string> CaptureErrors(const fs::path& ALogFolder) {
  std::vector<std::string> Lines;
  std::error_code Ec;
  for (const auto& File : fs::directory_iterator(ALogFolder, Ec)) {
    std::istringstream In(ReadFile(File.path()));
    for (std::string Line; std::getline(In, Line);)
      if (Line.find("Capture error: ") != std::string::npos) Lines.push_back(Line);
  }
  return Lines;
}

// The largest picture one copy may hold, an 8K square, is recorded like any other.
TEST_F(TCaptureE2E, AnEightKSquareIsRecordedWhole) {
  const fs::path Png = Root() / "square.png";
  WriteFile(Png, MakeSolidPng(8192, 8192, 0xFF0000));
  const std::string Name = Md5Hex(Png) + ".png";

  CopyWithTarget("image/png", ReadFile(Png));
  // Decoding, encoding and scaling 67 million pixels takes a while in a sanitizer build.
  const auto H = WaitForHistory([](const auto& AH) { return !AH.empty(); }, 200000ms);
  EXPECT_EQ(H, (std::vector<TEntry>{TEntry{1, "", Name, false}}));
  const std::string Stored = ReadFile(DataFolder() / "Images" / Name);
  ASSERT_GE(Stored.size(), 24u);
  EXPECT_EQ(Be32(Stored, 16), 8192u); // IHDR width
  EXPECT_EQ(Be32(Stored, 20), 8192u); // and height
  EXPECT_TRUE(fs::exists(DataFolder() / "ResizeImages" / (Md5Hex(Png) + ".bmp")));
  EXPECT_TRUE(CaptureErrors(DataFolder() / "Log").empty());
}

// Beyond it, one log line names the size and nothing else happens; the next copy is recorded.
TEST_F(TCaptureE2E, ATenThousandSquareIsRefusedWithOneLineAndTheNextCopyIsRecorded) {
  CopyWithTarget("image/png", MakeSolidPng(10000, 10000, 0xFF0000));
  ASSERT_TRUE(WaitUntil([&] { return !CaptureErrors(DataFolder() / "Log").empty(); }, 60000ms))
      << "the picture was not refused";
  CopyTextAndWait("後のテキスト");

  const std::vector<std::string> Errors = CaptureErrors(DataFolder() / "Log");
  ASSERT_EQ(Errors.size(), 1u);
  EXPECT_NE(Errors[0].find("10000 x 10000"), std::string::npos) << Errors[0];
  EXPECT_EQ(*History(), std::vector<TEntry>{TextEntry("後のテキスト")});
  std::error_code Ec;
  EXPECT_TRUE(!fs::exists(DataFolder() / "Images") || fs::is_empty(DataFolder() / "Images", Ec));
  EXPECT_TRUE(!fs::exists(DataFolder() / "ResizeImages") || fs::is_empty(DataFolder() / "ResizeImages", Ec));
}

// Marks that ask clipboard histories to look away, as password managers and Windows programs set
// them, and values that do not.
struct TMarkCase {
  const char* Name;
  const char* Format;
  const char* Value;
  bool Recorded;
};

void PrintTo(const TMarkCase& ACase, std::ostream* AOut) { *AOut << ACase.Name; }

class TExclusionE2E : public TCaptureE2E, public ::testing::WithParamInterface<TMarkCase> {};

TEST_P(TExclusionE2E, MarkedCopyIsRecordedOnlyWhenTheMarkAllowsIt) {
  const TMarkCase& Case = GetParam();
  const std::string Text = std::string("マーク付き ") + Case.Name;
  CopyFormats({{"text/plain", Text}, {Case.Format, Case.Value}});
  const auto Recorded = [&] {
    const auto H = History();
    return H && IsText(*H, Text);
  };
  if (Case.Recorded) {
    EXPECT_TRUE(WaitUntil(Recorded, 10000ms)) << "the copy was not recorded";
    return;
  }
  // Nothing to wait for when nothing may happen: watch for a while (the capture runs within a few
  // hundred ms), then make sure the program was listening with a plain copy after it.
  EXPECT_FALSE(WaitUntil(Recorded, 1500ms)) << "a marked copy was recorded";
  const auto H = CopyTextAndWait("印のないコピー");
  EXPECT_EQ(H, std::vector<TEntry>{TextEntry("印のないコピー")});
}

INSTANTIATE_TEST_SUITE_P(
    Marks, TExclusionE2E,
    ::testing::Values(TMarkCase{"PasswordManagerSecret", "x-kde-passwordManagerHint", "secret", false},
                      TMarkCase{"PasswordManagerOtherValue", "x-kde-passwordManagerHint", "public", true},
                      TMarkCase{"ExcludeFromMonitor", "ExcludeClipboardContentFromMonitorProcessing", "1", false},
                      TMarkCase{"ViewerIgnore", "Clipboard Viewer Ignore", "1", false},
                      TMarkCase{"CanIncludeZero", "CanIncludeInClipboardHistory", "u32:0", false},
                      TMarkCase{"CanIncludeOne", "CanIncludeInClipboardHistory", "u32:1", true}),
    [](const auto& AInfo) { return std::string(AInfo.param.Name); });

} // namespace
} // namespace vm::e2e
