#include <gtest/gtest.h>

#include "listview/text_case.h"
#include "support/text.h"

namespace vm {
namespace {

struct TCase {
  const char* Name;
  std::u16string Text, Lower;
};

const TCase Cases[] = {
    {"ascii letters only", u"Hello, World! AZ az 09 @[`{", u"hello, world! az az 09 @[`{"},
    {"latin-1", u"ÉCOLE À ÞÖ ×÷ ß ÿ", u"école à þö ×÷ ß ÿ"},
    {"latin extended-a pairs", u"ĀāĂŁŽ Ÿ", u"āāăłž ÿ"},
    {"dotted capital I keeps the length", u"İstanbul", u"istanbul"},
    {"titlecase digraph", u"ǅ ǈ ǋ", u"ǆ ǉ ǌ"},
    {"greek, final and medial sigma alike", u"ΣΟΦΊΑ Σ", u"σοφία σ"},
    {"cyrillic", u"ДОБРО ЁЖ Ѐ", u"добро ёж ѐ"},
    {"armenian", u"ԱԲԳ", u"աբգ"},
    {"georgian", u"ႠႡ", u"ⴀⴁ"},
    {"latin extended additional", u"ẠẾỸ", u"ạếỹ"},
    {"greek extended one-to-one", u"ἈᾈῸ", u"ἀᾀὸ"},
    {"letterlike signs", u"Ω K Å", u"ω k å"},
    {"roman numerals", u"ⅠⅧⅯ", u"ⅰⅷⅿ"},
    {"circled letters", u"ⒶⓏ", u"ⓐⓩ"},
    {"fullwidth latin", u"ＡＢＣＺ", u"ａｂｃｚ"},
    {"japanese unchanged", u"クリップボード履歴ひらがな", u"クリップボード履歴ひらがな"},
    {"small letters and digits unchanged", u"abc ｘｙｚ ⅰ ⓐ 123", u"abc ｘｙｚ ⅰ ⓐ 123"},
    // Deseret capitals lie outside the Basic Multilingual Plane: their surrogates stay as they are.
    {"surrogate pairs unchanged", u"𐐀📌", u"𐐀📌"},
    {"lone surrogate unchanged", std::u16string(1, char16_t(0xD801)), std::u16string(1, char16_t(0xD801))},
    {"empty", u"", u""},
};

TEST(TextCaseTest, LowersEachCodeUnitToItsSimpleForm) {
  for (const TCase& Case : Cases) {
    SCOPED_TRACE(Case.Name);
    const std::u16string Lower = LowerCaseText(Case.Text);
    EXPECT_EQ(Utf16ToUtf8(Lower), Utf16ToUtf8(Case.Lower));
    EXPECT_EQ(Lower.size(), Case.Text.size());
  }
}

// A lowered letter is never lowered again into something else, and nothing is mapped into the
// surrogate range (which would break the pairs of the text).
TEST(TextCaseTest, EveryMappingIsFinalAndStaysOutOfTheSurrogates) {
  for (unsigned C = 0; C <= 0xFFFF; ++C) {
    const char16_t Lower = LowerCaseChar(static_cast<char16_t>(C));
    ASSERT_EQ(LowerCaseChar(Lower), Lower) << std::hex << C;
    if (Lower != C) {
      ASSERT_FALSE(Lower >= 0xD800 && Lower <= 0xDFFF) << std::hex << C;
      ASSERT_FALSE(C >= 0xD800 && C <= 0xDFFF) << std::hex << C;
    }
  }
}

} // namespace
} // namespace vm
