// Copies made in other programs, as the history records them (or rightly does not).
#include <gtest/gtest.h>

#include <functional>

#include "fakes/scenario_fixture.h"
#include "support/data_folders.h"
#include "support/text.h"

namespace vm::test {
namespace {

using TCapture = TScenario;

// The lowercase hexadecimal digest the stored image is named after.
std::u16string ExpectedImageName(TFakeImaging& AImaging, const TBytes& AData) {
  std::u16string Hex;
  for (std::uint8_t B : AImaging.Md5(AData)) {
    static constexpr char Digits[] = "0123456789abcdef";
    Hex.push_back(static_cast<char16_t>(Digits[B >> 4]));
    Hex.push_back(static_cast<char16_t>(Digits[B & 15]));
  }
  return Hex + u".png";
}

std::u16string ThumbnailOf(const std::u16string& AImageName) {
  return ResizeImagesDir() + AImageName.substr(0, AImageName.size() - 4) + u".bmp";
}

const TImage Red = TFakeImaging::SolidImage(3, 2, 0xFFFF0000);
const TImage Blue = TFakeImaging::SolidImage(4, 4, 0xFF0000FF);

// --- Each kind, and which kind wins --------------------------------------------------------

struct TKindCase {
  const char* Name;
  std::function<void(TFakeClipboard&)> Copy; // what the other program puts, as one change
  // The one history entry expected; "image:" entries are named from ImageData.
  std::u16string Expected;
  TBytes ImageData;
};
void PrintTo(const TKindCase& ACase, std::ostream* AOut) { *AOut << ACase.Name; }


class TCaptureKind : public TScenario, public ::testing::WithParamInterface<TKindCase> {};

TEST_P(TCaptureKind, RecordsExactlyOneEntryOfTheRightKind) {
  const TKindCase& Case = GetParam();
  Start();
  Case.Copy(F.Clipboard);
  RunPending();

  std::u16string Expected = Case.Expected;
  if (!Case.ImageData.empty()) {
    const std::u16string Name = ExpectedImageName(F.Imaging, Case.ImageData);
    Expected = u"image:" + Name;
    EXPECT_TRUE(FileExists(ImagesDir() + Name));
    EXPECT_TRUE(FileExists(ThumbnailOf(Name)));
  }
  EXPECT_EQ(HistoryTexts(), std::vector<std::u16string>{Expected});
  EXPECT_FALSE((F.Popup.Cell(0, 0) + F.Popup.Cell(1, 0)).empty()) << "the list shows the new entry";
  EXPECT_TRUE(FileExists(Frm->DataFilePath())) << "the history is saved after the capture";
  EXPECT_TRUE(LogLines().empty());
  EXPECT_EQ(F.Clipboard.OpenCount, F.Clipboard.CloseCount);
}

const TKindCase KindCases[] = {
    {"Text", [](TFakeClipboard& C) { C.StageText(u"こんにちは\r\n  world  "); }, u"こんにちは\r\n  world  ", {}},
    {"TextUpToTheFirstZero", [](TFakeClipboard& C) { C.StageText(std::u16string(u"abc\0def", 7)); }, u"abc", {}},
    {"ThreeFilesInOrderWithoutATrailingBreak",
     [](TFakeClipboard& C) { C.StageFiles({u"C:\\a.txt", u"C:\\b.txt", u"C:\\c.txt"}); },
     u"files:C:\\a.txt\r\nC:\\b.txt\r\nC:\\c.txt", {}},
    {"FilesWithTextAreAFileList",
     [](TFakeClipboard& C) {
       C.StageFiles({u"C:\\資料\\報告.docx"});
       C.AddText(u"C:\\資料\\報告.docx");
       C.AddBitmap(Red);
     },
     u"files:C:\\資料\\報告.docx", {}},
    {"PngOnly", [](TFakeClipboard& C) { C.StagePng(TFakeImaging::MakePng(Red)); }, u"", TFakeImaging::MakePng(Red)},
    {"BitmapOnlyIsEncodedThenHashed", [](TFakeClipboard& C) { C.StageBitmap(Blue); }, u"",
     TFakeImaging::MakePng(Blue)},
    {"TextWithBitmapIsText",
     [](TFakeClipboard& C) {
       C.StageText(u"cell");
       C.AddBitmap(Red);
     },
     u"cell", {}},
    {"PngWithBitmapHashesThePngBytes",
     [](TFakeClipboard& C) {
       // Spare bytes at the end of the block belong to the hashed data.
       TBytes Png = TFakeImaging::MakePng(Red);
       Png.push_back(0);
       Png.push_back(0);
       C.StagePng(Png);
       C.AddBitmap(Blue);
     },
     u"",
     [] {
       TBytes Png = TFakeImaging::MakePng(Red);
       Png.push_back(0);
       Png.push_back(0);
       return Png;
     }()},
};

INSTANTIATE_TEST_SUITE_P(Kinds, TCaptureKind, ::testing::ValuesIn(KindCases),
                         [](const auto& AInfo) { return std::string(AInfo.param.Name); });

// --- Content that is not recorded ----------------------------------------------------------

struct TSkipCase {
  const char* Name;
  std::function<void(TFakeClipboard&)> Mark;
  bool Recorded;
};
void PrintTo(const TSkipCase& ACase, std::ostream* AOut) { *AOut << ACase.Name; }


class TCaptureMarks : public TScenario, public ::testing::WithParamInterface<TSkipCase> {};

TEST_P(TCaptureMarks, ExclusionMarksDecideWhetherTheCopyIsRecorded) {
  const TSkipCase& Case = GetParam();
  Start();
  F.Clipboard.StageText(u"password123");
  Case.Mark(F.Clipboard);
  RunPending();
  EXPECT_EQ(HistoryTexts(), Case.Recorded ? std::vector<std::u16string>{u"password123"} : std::vector<std::u16string>{});
  EXPECT_EQ(FileExists(Frm->DataFilePath()), Case.Recorded);
  EXPECT_TRUE(LogLines().empty());
  EXPECT_EQ(F.Clipboard.OpenCount, F.Clipboard.CloseCount);
}

const TSkipCase SkipCases[] = {
    {"NoMark", [](TFakeClipboard&) {}, true},
    {"ExcludeFromMonitorProcessing",
     [](TFakeClipboard& C) { C.AddFormat(u"ExcludeClipboardContentFromMonitorProcessing"); }, false},
    {"ClipboardViewerIgnore", [](TFakeClipboard& C) { C.AddFormat(u"Clipboard Viewer Ignore"); }, false},
    {"CanIncludeZero", [](TFakeClipboard& C) { C.AddFormat(u"CanIncludeInClipboardHistory", {0, 0, 0, 0}); }, false},
    {"CanIncludeZeroWithSpareBytes",
     [](TFakeClipboard& C) { C.AddFormat(u"CanIncludeInClipboardHistory", {0, 0, 0, 0, 7, 7}); }, false},
    {"CanIncludeOne", [](TFakeClipboard& C) { C.AddFormat(u"CanIncludeInClipboardHistory", {1, 0, 0, 0}); }, true},
    // Little endian: only the last byte set is still non-zero.
    {"CanIncludeHighByte",
     [](TFakeClipboard& C) { C.AddFormat(u"CanIncludeInClipboardHistory", {0, 0, 0, 0x80}); }, true},
    {"CanIncludeShorterThanAValue",
     [](TFakeClipboard& C) { C.AddFormat(u"CanIncludeInClipboardHistory", {0, 0}); }, true},
    {"CanIncludeWhileTheClipboardIsHeld",
     [](TFakeClipboard& C) {
       C.AddFormat(u"CanIncludeInClipboardHistory", {0, 0, 0, 0});
       C.HoldOpenFor(10); // released before the first text attempt
     },
     true},
};

INSTANTIATE_TEST_SUITE_P(Marks, TCaptureMarks, ::testing::ValuesIn(SkipCases),
                         [](const auto& AInfo) { return std::string(AInfo.param.Name); });

TEST_F(TCapture, AnEmptyTextGivesNoEntryAndNoLogLine) {
  Start();
  CopyText(u"");
  EXPECT_TRUE(HistoryTexts().empty());
  EXPECT_TRUE(LogLines().empty());
  EXPECT_FALSE(FileExists(Frm->DataFilePath()));
}

TEST_F(TCapture, AnEmptyDropListRecordsNothingAndTriesNoOtherKind) {
  Start();
  F.Clipboard.StageFiles({u""});
  F.Clipboard.AddText(u"not taken");
  RunPending();
  EXPECT_TRUE(HistoryTexts().empty());
  EXPECT_TRUE(LogLines().empty());
}

TEST_F(TCapture, EachUpdateReadsTheClipboardAsItIsWhenItsRunComes) {
  Start();
  F.Clipboard.StageText(u"first");
  F.Clipboard.StageText(u"second");
  EXPECT_TRUE(HistoryTexts().empty()) << "the handler only queues";
  EXPECT_EQ(F.DeferredCalls.Queue.size(), 1u) << "the queued run answers both updates";
  RunPending();
  EXPECT_EQ(HistoryTexts(), std::vector<std::u16string>{u"second"});
}

// A clipboard that changes faster than captures run: one run per change would keep the thread
// (and the hotkey) waiting 30 ms per change long after the changes stopped.
TEST_F(TCapture, ABurstOfUpdatesBeforeTheRunIsReadOnce) {
  Start();
  F.Clock.Sleeps.clear();
  for (int I = 0; I < 1000; ++I) F.Clipboard.StageText(u"burst " + IntToStr(I));
  EXPECT_EQ(F.DeferredCalls.RunPending(), 1);
  EXPECT_EQ(HistoryTexts(), std::vector<std::u16string>{u"burst 999"});
  EXPECT_EQ(F.Clock.Sleeps, std::vector<int>{30}) << "one text read";
  // Updates after a run has started get a run of their own.
  F.Clipboard.StageText(u"later");
  RunPending();
  EXPECT_EQ(HistoryTexts(), (std::vector<std::u16string>{u"later", u"burst 999"}));
}

// The program's own write and another program's copy, both before the run: the own write is
// skipped, the copy is still recorded, as two separate runs would have done.
TEST_F(TCapture, AnOwnWriteFoldedWithAnotherCopyStillRecordsTheCopy) {
  Start();
  Frm->InsertTimeStamp();
  ASSERT_TRUE(Frm->IgnoreClipUpdate());
  F.Clipboard.StageText(u"copied right after the stamp");
  RunPending();
  EXPECT_FALSE(Frm->IgnoreClipUpdate());
  EXPECT_EQ(HistoryTexts(), std::vector<std::u16string>{u"copied right after the stamp"});
}

// --- Another program holding the clipboard --------------------------------------------------

struct THoldCase {
  int HeldMs;
  std::vector<std::u16string> Log;
  bool Recorded;
};
void PrintTo(const THoldCase& ACase, std::ostream* AOut) { *AOut << "held " << ACase.HeldMs << " ms"; }


class TCaptureHeld : public TScenario, public ::testing::WithParamInterface<THoldCase> {};

TEST_P(TCaptureHeld, TextReadWaitsBeforeEachOfThreeAttempts) {
  const THoldCase& Case = GetParam();
  Start();
  F.Clock.Sleeps.clear();
  F.Clipboard.StageText(u"held");
  F.Clipboard.HoldOpenFor(Case.HeldMs);
  RunPending();
  EXPECT_EQ(LogLines(), Case.Log);
  EXPECT_EQ(HistoryTexts(), Case.Recorded ? std::vector<std::u16string>{u"held"} : std::vector<std::u16string>{});
  // Waits of 30, 100 and 300 ms, the first one before the first attempt.
  std::vector<int> Waits{30, 100, 300};
  Waits.resize(Case.Log.size() + 1 > 3 ? 3 : Case.Log.size() + 1);
  EXPECT_EQ(F.Clock.Sleeps, Waits);
}

INSTANTIATE_TEST_SUITE_P(
    Holds, TCaptureHeld,
    ::testing::Values(THoldCase{0, {}, true}, THoldCase{29, {}, true},
                      THoldCase{100, {u"Clipboard text read failed (attempt 1)"}, true},
                      THoldCase{200,
                                {u"Clipboard text read failed (attempt 1)", u"Clipboard text read failed (attempt 2)"},
                                true},
                      THoldCase{431,
                                {u"Clipboard text read failed (attempt 1)", u"Clipboard text read failed (attempt 2)",
                                 u"Clipboard text read failed (attempt 3)"},
                                false}),
    [](const auto& AInfo) { return "Held" + std::to_string(AInfo.param.HeldMs) + "ms"; });

// --- Images ----------------------------------------------------------------------------------

TEST_F(TCapture, TheSamePngTwiceKeepsOneFileAndMovesItsEntryToTheTop) {
  Start();
  const TBytes Png = TFakeImaging::MakePng(Red);
  const std::u16string Name = ExpectedImageName(F.Imaging, Png);
  CopyPng(Red);
  CopyText(u"between");
  // Whatever is in the stored files now must survive the second copy untouched.
  WriteFileBytes(ImagesDir() + Name, "first file");
  WriteFileBytes(ThumbnailOf(Name), "first thumbnail");
  F.Clock.Sleeps.clear();
  CopyPng(Red);

  EXPECT_EQ(HistoryTexts(), (std::vector<std::u16string>{u"image:" + Name, u"between"}));
  EXPECT_EQ(ReadFileBytes(ImagesDir() + Name), "first file");
  EXPECT_EQ(ReadFileBytes(ThumbnailOf(Name)), "first thumbnail");
  EXPECT_EQ(F.Clock.Sleeps, std::vector<int>{100}) << "one wait before an image capture";
  std::size_t Stored = 0;
  for ([[maybe_unused]] const auto& Entry : std::filesystem::directory_iterator(FsPath(ImagesDir()))) ++Stored;
  EXPECT_EQ(Stored, 1u);
}

TEST_F(TCapture, AStoredImageIsAPngOfThePictureAndItsThumbnailIsA20x20Bmp) {
  Start();
  CopyPng(Blue);
  const std::u16string Name = ExpectedImageName(F.Imaging, TFakeImaging::MakePng(Blue));
  const std::string Stored = ReadFileBytes(ImagesDir() + Name);
  const TImage Decoded = F.Imaging.DecodePng(TBytes(Stored.begin(), Stored.end()));
  EXPECT_EQ(Decoded.Pixels, Blue.Pixels);
  const std::string Thumb = ReadFileBytes(ThumbnailOf(Name));
  const TImage Square = F.Imaging.DecodeBmp(TBytes(Thumb.begin(), Thumb.end()));
  EXPECT_EQ(Square.Width, 20);
  EXPECT_EQ(Square.Height, 20);
}

struct TBadImageCase {
  const char* Name;
  std::function<void(TFakeClipboard&)> Copy;
  std::u16string Log;
};
void PrintTo(const TBadImageCase& ACase, std::ostream* AOut) { *AOut << ACase.Name; }


class TCaptureBadImage : public TScenario, public ::testing::WithParamInterface<TBadImageCase> {};

TEST_P(TCaptureBadImage, EndsTheRunWithACaptureErrorAndRecordsNothing) {
  const TBadImageCase& Case = GetParam();
  Start();
  Case.Copy(F.Clipboard);
  RunPending();
  EXPECT_EQ(LogLines(), std::vector<std::u16string>{Case.Log});
  EXPECT_TRUE(HistoryTexts().empty());
  EXPECT_FALSE(FileExists(Frm->DataFilePath())) << "nothing changed, nothing saved";
  if (DirectoryExists(ImagesDir())) {
    EXPECT_TRUE(std::filesystem::is_empty(FsPath(ImagesDir())));
  }
  EXPECT_EQ(F.Clipboard.OpenCount, F.Clipboard.CloseCount);

  // The program carries on: the next copy is recorded.
  CopyText(u"after");
  EXPECT_EQ(HistoryTexts(), std::vector<std::u16string>{u"after"});
}

TImage ClaimedSize(int AWidth, int AHeight) {
  TImage Image;
  Image.Width = AWidth;
  Image.Height = AHeight;
  return Image;
}

const TBadImageCase BadImageCases[] = {
    {"PngWiderThanTheBound", [](TFakeClipboard& C) { C.StagePng(TFakeImaging::MakePngHeader(40000, 1)); },
     u"Capture error: The image is too large: 40000 x 1 pixels (at most 67108864 pixels, as in 8192 x 8192, and 32767 on a side)"},
    {"PngWithTooManyPixels", [](TFakeClipboard& C) { C.StagePng(TFakeImaging::MakePngHeader(20000, 20000)); },
     u"Capture error: The image is too large: 20000 x 20000 pixels (at most 67108864 pixels, as in 8192 x 8192, and 32767 on a side)"},
    {"PngOfTenThousandSquare", [](TFakeClipboard& C) { C.StagePng(TFakeImaging::MakePngHeader(10000, 10000)); },
     u"Capture error: The image is too large: 10000 x 10000 pixels (at most 67108864 pixels, as in 8192 x 8192, and "
     u"32767 on a side)"},
    {"PngOneRowBeyondTheSquare", [](TFakeClipboard& C) { C.StagePng(TFakeImaging::MakePngHeader(8192, 8193)); },
     u"Capture error: The image is too large: 8192 x 8193 pixels (at most 67108864 pixels, as in 8192 x 8192, and "
     u"32767 on a side)"},
    {"PngClaimingTheSquareWithAFewBytes",
     [](TFakeClipboard& C) { C.StagePng(TFakeImaging::MakePngHeader(8192, 8192)); },
     u"Capture error: The image claims more pixels (8192 x 8192) than its 33 bytes can hold"},
    {"PngTruncated", [](TFakeClipboard& C) { C.StagePng(TFakeImaging::MakePngHeader(10, 10)); },
     u"Capture error: The PNG image is truncated"},
    {"PngGarbage", [](TFakeClipboard& C) { C.StagePng({1, 2, 3, 4, 5}); },
     u"Capture error: The data is not a PNG image"},
    {"BitmapTooLarge", [](TFakeClipboard& C) { C.StageBitmap(ClaimedSize(32768, 2)); },
     u"Capture error: The image is too large: 32768 x 2 pixels (at most 67108864 pixels, as in 8192 x 8192, and 32767 on a side)"},
    {"BitmapWithTooManyPixels", [](TFakeClipboard& C) { C.StageBitmap(ClaimedSize(30000, 30000)); },
     u"Capture error: The image is too large: 30000 x 30000 pixels (at most 67108864 pixels, as in 8192 x 8192, and 32767 on a side)"},
    {"BitmapOneColumnBeyondTheSquare", [](TFakeClipboard& C) { C.StageBitmap(ClaimedSize(8193, 8192)); },
     u"Capture error: The image is too large: 8193 x 8192 pixels (at most 67108864 pixels, as in 8192 x 8192, and "
     u"32767 on a side)"},
    {"BitmapWithMissingPixels",
     [](TFakeClipboard& C) {
       TImage Image = TFakeImaging::SolidImage(4, 4, 0xFF00FF00);
       Image.Pixels.resize(3);
       C.StageBitmap(Image);
     },
     u"Capture error: The image is malformed: 4 x 4 pixels announced, 3 present"},
    {"BitmapUnreadable",
     [](TFakeClipboard& C) {
       C.BitmapReadFails = true;
       C.StageBitmap(Red);
     },
     u"Capture error: The bitmap could not be read"},
};

INSTANTIATE_TEST_SUITE_P(BadImages, TCaptureBadImage, ::testing::ValuesIn(BadImageCases),
                         [](const auto& AInfo) { return std::string(AInfo.param.Name); });

// Reading the header is all a picture beyond the bounds may cost: it is neither hashed nor decoded.
TEST_F(TCapture, APngBeyondTheBoundsIsRefusedFromItsHeaderAlone) {
  Start();
  F.Clipboard.StagePng(TFakeImaging::MakePngHeader(10000, 10000));
  RunPending();
  EXPECT_EQ(F.Imaging.Md5Count, 0);
  EXPECT_EQ(F.Imaging.DecodeCount, 0);
  EXPECT_EQ(LogLines().size(), 1u);
}

TEST_F(TCapture, AnUnreadablePngBlockFallsBackToTheBitmap) {
  Start();
  // The registered "PNG" format is offered, but its block is empty.
  F.Clipboard.StageBitmap(Blue);
  F.Clipboard.AddFormat(u"PNG", {});
  RunPending();
  EXPECT_EQ(HistoryTexts(),
            std::vector<std::u16string>{u"image:" + ExpectedImageName(F.Imaging, TFakeImaging::MakePng(Blue))});
}

} // namespace
} // namespace vm::test
