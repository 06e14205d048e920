// The timestamp, text templates and image templates of the item menu: what is pasted, that none
// of it becomes history, and what the user sees when the clipboard cannot be written.
#include <gtest/gtest.h>

#include <functional>

#include "app/app_texts.h"
#include "app/settings.h"
#include "clipboard/captured_text.h"
#include "fakes/scenario_fixture.h"
#include "support/data_folders.h"
#include "templates/date_format.h"

namespace vm::test {
namespace {

constexpr TWindowHandle Editor = 0x2000;
constexpr TWindowHandle EditorField = 0x2001;

const std::vector<TKeyRecord> CtrlV{{0x11, false}, {0x56, false}, {0x56, true}, {0x11, true}};
const TImage Green = TFakeImaging::SolidImage(2, 3, 0xFF00FF00);

class TInsertion : public TScenario {
public:
  // The settings file as the settings dialog would have left it.
  static void SaveTemplates(const std::vector<std::u16string>& ABodies, const std::vector<std::u16string>& AImages) {
    ForceDirectories(BaseDir());
    TSettings Settings;
    for (std::size_t I = 0; I < ABodies.size(); ++I) Settings.TeikeiName.push_back(u"t" + IntToStr(static_cast<long long>(I)));
    Settings.Teikeibun = ABodies;
    for (std::size_t I = 0; I < AImages.size(); ++I) Settings.TeikeiImgName.push_back(u"i" + IntToStr(static_cast<long long>(I)));
    Settings.TeikeiImg = AImages;
    SaveSettings(Settings);
  }

  // The user, typing in the editor, calls the popup and picks a menu item.
  void Choose(const std::u16string& ACaption) {
    F.FocusInput.Foreground = Editor;
    F.FocusInput.WindowThreads[Editor] = 7;
    F.FocusInput.Focused = EditorField;
    Frm->WMHotKey(Frm->HotKeyIDShow());
    F.FocusInput.SentInputs.clear();
    F.Clipboard.LastWriteFormats.clear();
    F.Menus.ChooseCaption = ACaption;
    Frm->PopupItemMenu({40, 40});
  }

  // After a successful insertion: pasted, popup gone, the own update skipped, nothing recorded,
  // and the user's next copy recorded.
  void ExpectPastedAndNotRecorded(const std::vector<std::u16string>& AHistoryBefore) {
    EXPECT_FALSE(F.Popup.Visible);
    EXPECT_EQ(F.FocusInput.SentInputs, std::vector<std::vector<TKeyRecord>>{CtrlV});
    EXPECT_TRUE(F.MessageBoxes.Errors.empty());
    RunPending();
    EXPECT_FALSE(Frm->IgnoreClipUpdate());
    EXPECT_EQ(HistoryTexts(), AHistoryBefore);
    CopyText(u"next copy");
    EXPECT_EQ(HistoryTexts().front(), u"next copy");
  }

  // After a failed insertion: nothing pasted, the popup still open, and no skip left pending.
  void ExpectNothingPastedAndNextCopyRecorded() {
    EXPECT_TRUE(F.Popup.Visible);
    EXPECT_TRUE(F.FocusInput.SentInputs.empty());
    EXPECT_FALSE(Frm->IgnoreClipUpdate());
    EXPECT_EQ(F.Clipboard.OpenCount, F.Clipboard.CloseCount);
    F.Clipboard.RefusedFormats.clear();
    F.Clock.ElapsedMs += 10000;
    RunPending();
    CopyText(u"next copy");
    EXPECT_EQ(HistoryTexts().front(), u"next copy");
  }
};

// Regional settings are process-wide: each case that changes them puts the old ones back.
class TRegionalSettingsScope {
public:
  explicit TRegionalSettingsScope(const TFormatSettings& ASettings) : FOld(RegionalSettings()) {
    SetRegionalSettings(ASettings);
  }
  ~TRegionalSettingsScope() { SetRegionalSettings(FOld); }

private:
  TFormatSettings FOld;
};

// --- Timestamp ---------------------------------------------------------------------------------

struct TStampCase {
  const char* Name;
  TDateTime Now;
  char16_t DateSeparator, TimeSeparator;
  std::u16string Expected;
};

void PrintTo(const TStampCase& ACase, std::ostream* AOut) { *AOut << ACase.Name; }

class TTimeStamp : public TInsertion, public ::testing::WithParamInterface<TStampCase> {};

TEST_P(TTimeStamp, PastesTheLocalTimeOnTheTwentyFourHourClock) {
  const TStampCase& Case = GetParam();
  TFormatSettings Regional;
  Regional.DateSeparator = Case.DateSeparator;
  Regional.TimeSeparator = Case.TimeSeparator;
  const TRegionalSettingsScope Scope(Regional);
  Start();
  CopyText(u"earlier");
  F.Clock.Time = Case.Now;
  Choose(texts::MenuTimeStamp);

  EXPECT_EQ(F.Clipboard.Text(), std::optional<std::u16string>(Case.Expected));
  EXPECT_EQ(F.Clipboard.LastWriteFormats, std::vector<TClipFormat>{CF_UNICODETEXT_FORMAT});
  ExpectPastedAndNotRecorded({u"earlier"});
}

const TStampCase StampCases[] = {
    {"Morning", {2024, 5, 1, 9, 5, 59, 999, 3}, u'/', u':', u"2024/05/01 09:05"},
    {"Evening", {2024, 5, 1, 21, 7, 0, 0, 3}, u'/', u':', u"2024/05/01 21:07"},
    {"Midnight", {2025, 1, 1, 0, 0, 0, 0, 3}, u'/', u':', u"2025/01/01 00:00"},
    {"OtherSeparators", {2024, 12, 31, 23, 59, 0, 0, 2}, u'-', u'.', u"2024-12-31 23.59"},
};

INSTANTIATE_TEST_SUITE_P(Stamps, TTimeStamp, ::testing::ValuesIn(StampCases),
                         [](const auto& AInfo) { return std::string(AInfo.param.Name); });

// --- Text templates ----------------------------------------------------------------------------

struct TTextCase {
  const char* Name;
  std::u16string Body;
  std::u16string Expected;
};

void PrintTo(const TTextCase& ACase, std::ostream* AOut) { *AOut << ACase.Name; }

class TTextTemplate : public TInsertion, public ::testing::WithParamInterface<TTextCase> {};

TEST_P(TTextTemplate, PastesTheExpandedBody) {
  const TTextCase& Case = GetParam();
  SaveTemplates({u"unused", Case.Body}, {});
  Start();
  CopyText(u"Alice");
  Choose(u"📝t1");

  EXPECT_EQ(F.Clipboard.Text(), std::optional<std::u16string>(Case.Expected));
  EXPECT_EQ(F.Clipboard.LastWriteFormats, std::vector<TClipFormat>{CF_UNICODETEXT_FORMAT});
  ExpectPastedAndNotRecorded({u"Alice"});
}

const TTextCase TextCases[] = {
    // The clipboard is read before it is overwritten.
    {"ClipboardPlaceholder", u"Dear {clipboard},\r\nregards", u"Dear Alice,\r\nregards"},
    {"DatePlaceholder", u"{date} 報告", u"2024/05/01 報告"},
    {"NoPlaceholder", u"よろしくお願いします", u"よろしくお願いします"},
    {"EmptyBodyStillPastes", u"", u""},
};

INSTANTIATE_TEST_SUITE_P(Bodies, TTextTemplate, ::testing::ValuesIn(TextCases),
                         [](const auto& AInfo) { return std::string(AInfo.param.Name); });

TEST_F(TInsertion, AClipboardTextTooLargeToRecordIsLeftOutOfTheTemplateWithALogLine) {
  SaveTemplates({u"[{clipboard}]"}, {});
  Start();
  CopyText(std::u16string(MaxCapturedTextLength + 1, u'a'));
  Choose(u"📝t0");

  EXPECT_EQ(F.Clipboard.Text(), std::optional<std::u16string>(u"[]"));
  const std::u16string TooLarge = u"The text is too large to record (8388609 characters, at most 8388608)";
  EXPECT_EQ(LogLines(), (std::vector<std::u16string>{u"Capture error: " + TooLarge,
                                                     u"Template clipboard text skipped: " + TooLarge}));
  ExpectPastedAndNotRecorded({});
}

TEST_F(TInsertion, ATemplateTagOutsideTheListDoesNothing) {
  SaveTemplates({u"body"}, {});
  Start();
  for (int Tag : {-1, 1, 7}) {
    Frm->InsertTextTemplate(Tag);
    Frm->InsertImageTemplate(Tag);
  }
  EXPECT_EQ(F.Clipboard.OpenCount, 0);
  EXPECT_FALSE(Frm->IgnoreClipUpdate());
  EXPECT_TRUE(F.FocusInput.SentInputs.empty());
}

// --- Writes that fail: the error box, and no skip left behind ---------------------------------

struct TFailedWriteCase {
  const char* Name;
  std::u16string Caption;
  bool Held; // else the clipboard refuses the text
  std::u16string Error;
};

void PrintTo(const TFailedWriteCase& ACase, std::ostream* AOut) { *AOut << ACase.Name; }

class TFailedWrite : public TInsertion, public ::testing::WithParamInterface<TFailedWriteCase> {};

TEST_P(TFailedWrite, ShowsTheErrorPastesNothingAndTheNextCopyIsRecorded) {
  const TFailedWriteCase& Case = GetParam();
  SaveTemplates({u"Dear {clipboard}"}, {});
  Start();
  CopyText(u"Alice");
  if (Case.Held) F.Clipboard.HoldOpenFor(5000);
  else F.Clipboard.RefusedFormats = {CF_UNICODETEXT_FORMAT};
  Choose(Case.Caption);

  EXPECT_EQ(F.MessageBoxes.Errors, std::vector<std::u16string>{Case.Error});
  EXPECT_TRUE(LogLines().empty());
  ExpectNothingPastedAndNextCopyRecorded();
}

const TFailedWriteCase FailedWriteCases[] = {
    {"TimeStampHeld", texts::MenuTimeStamp, true, u"Cannot open clipboard"},
    {"TimeStampRefused", texts::MenuTimeStamp, false, u"The clipboard refused the text"},
    {"TextTemplateHeld", u"📝t0", true, u"Cannot open clipboard"},
    {"TextTemplateRefused", u"📝t0", false, u"The clipboard refused the text"},
};

INSTANTIATE_TEST_SUITE_P(Writes, TFailedWrite, ::testing::ValuesIn(FailedWriteCases),
                         [](const auto& AInfo) { return std::string(AInfo.param.Name); });

// --- Image templates ---------------------------------------------------------------------------

struct TImageCase {
  const char* Name;
  std::u16string File;   // inside BaseDir
  std::string Content;   // empty: the file does not exist
  bool DecoderRefuses;   // the platform's general decoder cannot read the file
  bool ClipboardHeld;
  std::u16string Log;    // "%s" stands for the full path; empty: pasted
};

void PrintTo(const TImageCase& ACase, std::ostream* AOut) { *AOut << ACase.Name; }

class TImageTemplate : public TInsertion, public ::testing::WithParamInterface<TImageCase> {};

TEST_P(TImageTemplate, PastesTheFirstFrameAsABitmapOrLogsWhy) {
  const TImageCase& Case = GetParam();
  const std::u16string Path = BaseDir() + Case.File;
  SaveTemplates({}, {Path});
  if (!Case.Content.empty()) WriteFileBytes(Path, Case.Content);
  if (Case.DecoderRefuses) F.Imaging.UnreadableFiles.insert(Path);
  Start();
  CopyText(u"earlier");
  if (Case.ClipboardHeld) F.Clipboard.HoldOpenFor(5000);
  Choose(u"🎨i0");

  if (Case.Log.empty()) {
    EXPECT_TRUE(LogLines().empty());
    EXPECT_EQ(F.Clipboard.LastWriteFormats, std::vector<TClipFormat>{CF_BITMAP_FORMAT});
    ASSERT_TRUE(F.Clipboard.Bitmap().has_value());
    EXPECT_EQ(F.Clipboard.Bitmap()->Pixels, Green.Pixels);
    ExpectPastedAndNotRecorded({u"earlier"});
  } else {
    EXPECT_EQ(LogLines(), std::vector<std::u16string>{ReplaceAll(Case.Log, u"%s", Path)});
    EXPECT_TRUE(F.MessageBoxes.Errors.empty());
    ExpectNothingPastedAndNextCopyRecorded();
  }
}

const std::string GreenPng = [] {
  const TBytes Png = TFakeImaging::MakePng(Green);
  return std::string(Png.begin(), Png.end());
}();
const std::string HugePng = [] {
  const TBytes Png = TFakeImaging::MakePngHeader(50000, 50000);
  return std::string(Png.begin(), Png.end());
}();

const std::string JustBeyondPng = [] {
  const TBytes Png = TFakeImaging::MakePngHeader(8192, 8193);
  return std::string(Png.begin(), Png.end());
}();

const TImageCase ImageCases[] = {
    // The general decoder refuses it: only the PNG reader can have read it.
    {"CapitalPngGoesThroughThePngReader", u"logo.PNG", GreenPng, true, false, u""},
    {"JpegGoesThroughTheGeneralDecoder", u"photo.jpg", GreenPng, false, false, u""},
    {"NoExtensionGoesThroughTheGeneralDecoder", u"stamp", GreenPng, false, false, u""},
    {"MissingJpeg", u"missing.jpg", "", false, false,
     u"Failed to load image file: %s (The system cannot find the file specified)"},
    {"UndecodableGif", u"anim.gif", GreenPng, true, false,
     u"Failed to load image file: %s (The component cannot be found)"},
    {"JpegTooLarge", u"huge.jpg", HugePng, false, false,
     u"Failed to load image file: %s (The image is too large: 50000 x 50000 pixels (at most 67108864 pixels, as in 8192 x 8192, and 32767 on a side))"},
    {"MissingPng", u"missing.png", "", false, false,
     u"Image template failed: Cannot open file \"%s\": No such file or directory"},
    {"PngTooLarge", u"huge.png", HugePng, false, false,
     u"Image template failed: The image is too large: 50000 x 50000 pixels (at most 67108864 pixels, as in 8192 x 8192, and 32767 on a side)"},
    {"PngOneRowBeyondTheSquare", u"tall.png", JustBeyondPng, false, false,
     u"Image template failed: The image is too large: 8192 x 8193 pixels (at most 67108864 pixels, as in 8192 x "
     u"8192, and 32767 on a side)"},
    {"JpegOneRowBeyondTheSquare", u"tall.jpg", JustBeyondPng, false, false,
     u"Failed to load image file: %s (The image is too large: 8192 x 8193 pixels (at most 67108864 pixels, as in "
     u"8192 x 8192, and 32767 on a side))"},
    {"PngWithClipboardHeld", u"logo.png", GreenPng, false, true, u"Image template failed: Cannot open clipboard"},
    {"JpegWithClipboardHeld", u"photo.jpeg", GreenPng, false, true, u"Image template failed: Cannot open clipboard"},
};

INSTANTIATE_TEST_SUITE_P(Images, TImageTemplate, ::testing::ValuesIn(ImageCases),
                         [](const auto& AInfo) { return std::string(AInfo.param.Name); });

} // namespace
} // namespace vm::test
