// The lower-cased text an entry keeps for the list's search.
#include <gtest/gtest.h>

#include "history/clip_item.h"
#include "listview/text_case.h"

namespace vm::test {
namespace {

TEST(DerivedTextCacheTest, DerivesOnceAndAnswersTheSameFormAfterwards) {
  TClipItem Item{citText, u"Hello World", u"", false};
  int Derivations = 0;
  const auto Lower = [&](const std::u16string& AText) {
    ++Derivations;
    return LowerCaseText(AText);
  };
  EXPECT_EQ(Item.SearchText.Get(Item.Text, Lower), u"hello world");
  EXPECT_EQ(Item.SearchText.Get(Item.Text, Lower), u"hello world");
  EXPECT_EQ(Derivations, 1);
}

TEST(DerivedTextCacheTest, ACopyStartsAfreshSoThatItsOwnTextIsDerived) {
  const auto Lower = [](const std::u16string& AText) { return LowerCaseText(AText); };
  TClipItem Original{citText, u"ABC", u"", false};
  ASSERT_EQ(Original.SearchText.Get(Original.Text, Lower), u"abc");

  struct TCase {
    const char* Name;
    std::u16string NewText;
  } const Cases[] = {{"same length", u"XYZ"}, {"other length", u"Longer Text"}};
  for (const TCase& Case : Cases) {
    SCOPED_TRACE(Case.Name);
    TClipItem Copy = Original;
    Copy.Text = Case.NewText;
    EXPECT_EQ(Copy.SearchText.Get(Copy.Text, Lower), LowerCaseText(Case.NewText));
    TClipItem Assigned;
    Assigned = Original;
    Assigned.Text = Case.NewText;
    EXPECT_EQ(Assigned.SearchText.Get(Assigned.Text, Lower), LowerCaseText(Case.NewText));
  }
}

TEST(DerivedTextCacheTest, AFormEqualToTheTextIsTheTextItself) {
  const auto Lower = [](const std::u16string& AText) { return LowerCaseText(AText); };
  TClipItem Item{citText, u"already lower 日本語", u"", false};
  EXPECT_EQ(&Item.SearchText.Get(Item.Text, Lower), &Item.Text);
  TClipItem Upper{citText, u"Upper", u"", false};
  EXPECT_NE(&Upper.SearchText.Get(Upper.Text, Lower), &Upper.Text);
}

} // namespace
} // namespace vm::test
