#include <gtest/gtest.h>

#include "listview/hint_window.h"

namespace vm {
namespace {

TEST(HintWindowTest, ShowsTheHoveredEntryElseTheHintString) {
  struct {
    std::u16string Hover, Hint, Shown;
  } const Cases[] = {
      {u"line 1\r\nline 2 | a & b", u"other", u"line 1\r\nline 2 | a & b"},
      {u"", u"the grid's hint", u"the grid's hint"},
      {u"", u"", u""},
  };
  for (const auto& Case : Cases) EXPECT_EQ(HintTextToShow(Case.Hover, Case.Hint), Case.Shown);
}

std::u16string Lines(std::size_t ACount, const std::u16string& ABreak) {
  std::u16string Text;
  for (std::size_t I = 0; I < ACount; ++I) Text += (I ? ABreak : u"") + u"/home/user/file " + std::u16string(1, u'a' + I % 26);
  return Text;
}

// The fixture that found the fault: a copied list of 10,000 paths, whose hint grew to 32,767
// pixels. The hint keeps what a tall screen can show and says that more follows.
TEST(HintWindowTest, IsCutToTwoHundredLinesOrSixteenThousandCodeUnits) {
  const std::u16string TenThousandPaths = Lines(10000, u"\r\n");
  const std::u16string Cut = HintTextToShow(TenThousandPaths, {});
  EXPECT_EQ(Cut, TenThousandPaths.substr(0, Lines(200, u"\r\n").size() + 2) + u"\u2026");

  struct {
    const char* Name;
    std::u16string Text, Shown;
  } const Cases[] = {
      {"two hundred lines stay whole", Lines(200, u"\n"), Lines(200, u"\n")},
      {"with a break after the last", Lines(200, u"\r") + u"\r", Lines(200, u"\r") + u"\r"},
      {"the 201st line goes", Lines(201, u"\n"), Lines(200, u"\n") + u"\n\u2026"},
      {"a long line is cut at the length bound", std::u16string(20000, u'x'),
       std::u16string(MaxHintLength, u'x') + u"\u2026"},
      {"exactly the length bound stays whole", std::u16string(MaxHintLength, u'x'), std::u16string(MaxHintLength, u'x')},
      {"a surrogate pair is not split", std::u16string(MaxHintLength - 1, u'x') + u"\U0001F4CCyy",
       std::u16string(MaxHintLength - 1, u'x') + u"\u2026"},
  };
  for (const auto& Case : Cases) EXPECT_EQ(HintTextToShow({}, Case.Text), Case.Shown) << Case.Name;
}

TEST(HintWindowTest, WrapsAtAQuarterOfThePrimaryScreenTruncated) {
  const std::pair<int, int> Cases[] = {{1920, 480}, {1366, 341}, {1023, 255}, {3, 0}};
  for (const auto& [Screen, Wrap] : Cases) EXPECT_EQ(HintWrapWidth(Screen), Wrap) << Screen;
}

TEST(HintWindowTest, SizeAddsTheFrameToTheLaidOutTextAtTheGivenCorner) {
  EXPECT_EQ(HintBounds({100, 200}, 300, 45), (TRect{100, 200, 408, 249}));
  // A long text is as tall as its lines need; nothing limits the height.
  EXPECT_EQ(HintBounds({0, 0}, 480, 5000).Height(), 5004);
  EXPECT_EQ(HintBackground, (THintColour{225, 255, 255}));
  EXPECT_EQ(HintPauseMs, 0);
  EXPECT_EQ(HintHidePauseMs, 3000);
}

} // namespace
} // namespace vm
