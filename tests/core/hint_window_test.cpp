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
