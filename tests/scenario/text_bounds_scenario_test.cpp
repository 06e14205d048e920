// Texts and file lists at and above the bound on one clipboard item: the longest one is recorded
// like any other, a longer one is not, with one log line, and the program carries on.
#include <gtest/gtest.h>

#include <functional>

#include "clipboard/captured_text.h"
#include "fakes/scenario_fixture.h"
#include "history/file_access.h"

namespace vm::test {
namespace {

constexpr std::size_t Max = MaxCapturedTextLength;

// Paths of 254 characters (256 with their line break) and a last one of ALastLength: the list's
// text is Max - 256 + ALastLength characters long.
std::vector<std::u16string> FileListOfLength(std::size_t ALastLength) {
  std::vector<std::u16string> Paths(Max / 256 - 1, u"/" + std::u16string(253, u'f'));
  Paths.push_back(u"/" + std::u16string(ALastLength - 1, u'l'));
  return Paths;
}

struct TBoundCase {
  const char* Name;
  std::function<void(TFakeClipboard&)> Copy;
  bool ReadsAnyLength;           // the desktop's reader hands over any length; the core refuses
  std::size_t RecordedLength;    // 0: nothing recorded
  std::u16string Log;            // the one log line, or none
};
void PrintTo(const TBoundCase& ACase, std::ostream* AOut) { *AOut << ACase.Name; }

const std::u16string TextTooLarge = u"Capture error: The text is too large to record (8388609 characters, at most 8388608)";
const std::u16string ListTooLarge =
    u"Capture error: The file list is too large to record (8388609 characters, at most 8388608)";

const TBoundCase BoundCases[] = {
    {"TextAtTheBound", [](TFakeClipboard& C) { C.StageText(std::u16string(Max, u'a')); }, false, Max, {}},
    {"TextAboveTheBound", [](TFakeClipboard& C) { C.StageText(std::u16string(Max + 1, u'a')); }, false, 0,
     TextTooLarge},
    {"JapaneseAtTheBound", [](TFakeClipboard& C) { C.StageText(std::u16string(Max, u'語')); }, false, Max, {}},
    {"CoreRefusesWhatTheReaderHandsOver", [](TFakeClipboard& C) { C.StageText(std::u16string(Max + 1, u'a')); },
     true, 0, TextTooLarge},
    {"CoreKeepsTheLongestText", [](TFakeClipboard& C) { C.StageText(std::u16string(Max, u'a')); }, true, Max, {}},
    // The text ends at its first zero character: what follows it is never read.
    {"LongBlockWithAZeroWithinTheBound",
     [](TFakeClipboard& C) { C.StageText(std::u16string(Max, u'a') + u'\0' + std::u16string(Max, u'b')); }, false,
     Max, {}},
    {"FileListAtTheBound", [](TFakeClipboard& C) { C.StageFiles(FileListOfLength(256)); }, false, Max, {}},
    {"FileListAboveTheBound", [](TFakeClipboard& C) { C.StageFiles(FileListOfLength(257)); }, false, 0,
     ListTooLarge},
    {"CoreRefusesTheFileListTheReaderHandsOver", [](TFakeClipboard& C) { C.StageFiles(FileListOfLength(257)); },
     true, 0, ListTooLarge},
};

class TTextBound : public TScenario, public ::testing::WithParamInterface<TBoundCase> {};

TEST_P(TTextBound, RecordsUpToTheBoundAndRefusesAboveWithOneLogLine) {
  const TBoundCase& Case = GetParam();
  Start();
  CopyText(u"before");
  F.Clipboard.ReadsAnyLength = Case.ReadsAnyLength;
  Case.Copy(F.Clipboard);
  RunPending();

  const auto& Items = Frm->History().Items();
  if (Case.RecordedLength > 0) {
    ASSERT_EQ(Items.Count(), 2);
    EXPECT_EQ(Items[0].Text.size(), Case.RecordedLength);
    EXPECT_TRUE(LogLines().empty());
  } else {
    ASSERT_EQ(Items.Count(), 1);
    EXPECT_EQ(Items[0].Text, u"before");
    EXPECT_EQ(LogLines(), std::vector<std::u16string>{Case.Log});
  }
  EXPECT_EQ(F.Clipboard.OpenCount, F.Clipboard.CloseCount);

  // The file saved at the end holds what the history held.
  const int Count = Items.Count();
  const std::size_t TopLength = Items[0].Text.size();
  const std::u16string File = Frm->DataFilePath();
  Quit();
  TClipHistory Loaded(*F.DataProtection);
  Loaded.LoadFromFile(File);
  ASSERT_EQ(Loaded.Items().Count(), Count);
  EXPECT_EQ(Loaded.Items()[0].Text.size(), TopLength);
}

INSTANTIATE_TEST_SUITE_P(Bounds, TTextBound, ::testing::ValuesIn(BoundCases),
                         [](const auto& AInfo) { return std::string(AInfo.param.Name); });

using TTextBoundThen = TScenario;

TEST_F(TTextBoundThen, TheCopyAfterARefusedOneIsRecorded) {
  Start();
  CopyText(std::u16string(Max + 1, u'a'));
  CopyText(u"after");
  EXPECT_EQ(HistoryTexts(), std::vector<std::u16string>{u"after"});
  EXPECT_EQ(LogLines(), std::vector<std::u16string>{TextTooLarge});
}

} // namespace
} // namespace vm::test
