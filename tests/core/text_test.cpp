#include "support/text.h"

#include <gtest/gtest.h>

#include "support/error.h"

namespace vm {
namespace {

struct TDecodeCase {
  const char* What;
  std::string Bytes;
  bool Valid;
  std::u16string Text;       // when valid
  std::size_t BadOffset = 0; // when not: the byte the error names
};

const TDecodeCase DecodeCases[] = {
    {"empty", "", true, u""},
    {"ASCII", "a\r\nb", true, u"a\r\nb"},
    {"two-byte", "\xC3\xA9", true, u"\u00E9"},
    {"three-byte", "\xE6\x97\xA5\xE6\x9C\xAC", true, u"日本"},
    {"four-byte, lowest", "\xF0\x90\x80\x80", true, u"\U00010000"},
    {"four-byte, emoji", "\xF0\x9F\x93\x8C", true, u"📌"},
    {"four-byte, highest", "\xF4\x8F\xBF\xBF", true, u"\U0010FFFF"},
    {"last before surrogates", "\xED\x9F\xBF", true, u"\uD7FF"},
    {"first after surrogates", "\xEE\x80\x80", true, u"\uE000"},
    {"NUL", std::string("a\0b", 3), true, std::u16string(u"a\0b", 3)},
    {"overlong slash", "a\xC0\xAF", false, u"", 1},
    {"overlong NUL", "\xC1\x80", false, u"", 0},
    {"overlong three-byte", "\xE0\x80\xAF", false, u"", 0},
    {"overlong four-byte", "\xF0\x8F\xBF\xBF", false, u"", 0},
    {"high surrogate", "\xED\xA0\x80", false, u"", 0},
    {"low surrogate", "ab\xED\xBF\xBF", false, u"", 2},
    {"encoded surrogate pair", "\xED\xA0\xBD\xED\xB3\x8C", false, u"", 0},
    {"above U+10FFFF", "\xF4\x90\x80\x80", false, u"", 0},
    {"lead F5", "\xF5\x80\x80\x80", false, u"", 0},
    {"lead F8", "\xF8\x88\x80\x80\x80", false, u"", 0},
    {"lone continuation", "x\x80", false, u"", 1},
    {"FF", "\xFF", false, u"", 0},
    {"truncated two-byte at end", "abc\xC3", false, u"", 3},
    {"truncated three-byte at end", "\xE6\x97", false, u"", 0},
    {"truncated four-byte at end", "\xF0\x9F\x93", false, u"", 0},
    {"truncated three-byte before ASCII", "\xE6\x97z", false, u"", 0},
    {"second sequence bad", "\xE6\x97\xA5\xE6\x9C", false, u"", 3},
};

TEST(Utf8ToUtf16, StrictDecodingTable) {
  for (const TDecodeCase& Case : DecodeCases) {
    SCOPED_TRACE(Case.What);
    if (Case.Valid) {
      EXPECT_EQ(Utf8ToUtf16(Case.Bytes), Case.Text);
      continue;
    }
    try {
      Utf8ToUtf16(Case.Bytes);
      ADD_FAILURE() << "accepted";
    } catch (const TError& E) {
      EXPECT_NE(E.Message().find(u"byte " + IntToStr(static_cast<long long>(Case.BadOffset))), std::u16string::npos)
          << Utf16ToUtf8(E.Message());
    }
  }
}

// The check without the text gives the decoder's verdict and names the same byte.
TEST(CheckUtf8, AgreesWithTheStrictDecoder) {
  for (const TDecodeCase& Case : DecodeCases) {
    SCOPED_TRACE(Case.What);
    if (Case.Valid) {
      EXPECT_NO_THROW(CheckUtf8(Case.Bytes));
      continue;
    }
    try {
      CheckUtf8(Case.Bytes);
      ADD_FAILURE() << "accepted";
    } catch (const TError& E) {
      EXPECT_NE(E.Message().find(u"byte " + IntToStr(static_cast<long long>(Case.BadOffset))), std::u16string::npos)
          << Utf16ToUtf8(E.Message());
    }
  }
}

TEST(Utf8ToUtf16, LossyDecodingReplacesBadBytesAndKeepsTheRest) {
  for (const TDecodeCase& Case : DecodeCases) {
    SCOPED_TRACE(Case.What);
    const std::u16string Lossy = Utf8ToUtf16Lossy(Case.Bytes);
    if (Case.Valid) {
      EXPECT_EQ(Lossy, Case.Text);
    } else {
      EXPECT_NE(Lossy.find(u'\uFFFD'), std::u16string::npos);
    }
  }
  EXPECT_EQ(Utf8ToUtf16Lossy("a\xFF" "b\xE6\x97\xA5"), u"a\uFFFDb日");
}

// Counted without decoding, to refuse a long text before it is converted: exact for UTF-8, and for
// bad bytes never above what a decoder that replaces them gives, so a refusal is always right.
TEST(Utf16LengthOfUtf8, ExactForUtf8AndNeverAboveTheDecodedLengthOtherwise) {
  for (const TDecodeCase& Case : DecodeCases) {
    SCOPED_TRACE(Case.What);
    if (Case.Valid) EXPECT_EQ(Utf16LengthOfUtf8(Case.Bytes), Case.Text.size());
    else EXPECT_LE(Utf16LengthOfUtf8(Case.Bytes), Utf8ToUtf16Lossy(Case.Bytes).size());
  }
}

TEST(Utf16ToUtf8, EncodesEveryRangeAndReplacesLoneSurrogates) {
  for (const TDecodeCase& Case : DecodeCases) {
    if (!Case.Valid) continue;
    EXPECT_EQ(Utf16ToUtf8(Case.Text), Case.Bytes) << Case.What;
  }
  const std::string Replacement = "\xEF\xBF\xBD";
  EXPECT_EQ(Utf16ToUtf8(std::u16string(u"a") + char16_t(0xD83D)), "a" + Replacement);
  EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xDCCC)) + u"b"), Replacement + "b");
  EXPECT_EQ(Utf16ToUtf8(std::u16string{char16_t(0xDCCC), char16_t(0xD83D)}), Replacement + Replacement);
  EXPECT_EQ(Utf16ToUtf8(std::u16string{char16_t(0xD83D), u'x', char16_t(0xDCCC)}), Replacement + "x" + Replacement);
}

TEST(SplitLines, Table) {
  struct TCase {
    std::u16string Text;
    std::vector<std::u16string> Lines;
  };
  const TCase Cases[] = {
      {u"", {}},
      {u"a", {u"a"}},
      {u"a\r\nb", {u"a", u"b"}},
      {u"a\nb", {u"a", u"b"}},
      {u"a\rb", {u"a", u"b"}},
      {u"a\r\n", {u"a"}},
      {u"a\n", {u"a"}},
      {u"a\r", {u"a"}},
      {u"\r\n", {u""}},
      {u"\n\n", {u"", u""}},
      {u"a\r\n\r\nb", {u"a", u"", u"b"}},
      {u"a\n\rb", {u"a", u"", u"b"}},
      {u"a\r\r\nb", {u"a", u"", u"b"}},
      {u"\r\na", {u"", u"a"}},
      {u"日本\r\n📌", {u"日本", u"📌"}},
  };
  for (const TCase& Case : Cases) EXPECT_EQ(SplitLines(Case.Text), Case.Lines) << Utf16ToUtf8(Case.Text);
}

TEST(AsciiCaseFolding, OnlyAsciiLettersIgnoreCase) {
  EXPECT_TRUE(SameTextAscii(u"X.PNG", u"x.png"));
  EXPECT_FALSE(SameTextAscii(u"x.png", u"x.pn"));
  EXPECT_FALSE(SameTextAscii(u"\u00C9", u"\u00E9")); // É and é are different code units
  EXPECT_FALSE(SameTextAscii(u"Ａ", u"ａ"));           // fullwidth letters too
  EXPECT_FALSE(SameTextAscii(u"@", u"`"));           // neighbours of the letter ranges
  EXPECT_FALSE(SameTextAscii(u"[", u"{"));
  EXPECT_EQ(AsciiLowerCase(u"AbZ日Ä"), u"abz日Ä");
}

TEST(FindAsciiNoCase, FindsFromThePositionGiven) {
  EXPECT_EQ(FindAsciiNoCase(u"Hello World", u"WORLD"), 6u);
  EXPECT_EQ(FindAsciiNoCase(u"abcABC", u"abc", 1), 3u);
  EXPECT_EQ(FindAsciiNoCase(u"abc", u"abcd"), std::u16string::npos);
  EXPECT_EQ(FindAsciiNoCase(u"abc", u"x"), std::u16string::npos);
  EXPECT_EQ(FindAsciiNoCase(u"abc", u"c", 5), std::u16string::npos);
  EXPECT_EQ(FindAsciiNoCase(u"日本語", u"本"), 1u);
}

TEST(ReplaceAll, ReplacesEveryOccurrenceWithoutRescanningTheReplacement) {
  EXPECT_EQ(ReplaceAll(u"a\r\nb\r\n", u"\r\n", u"\n"), u"a\nb\n");
  EXPECT_EQ(ReplaceAll(u"aaa", u"a", u"aa"), u"aaaaaa");
  EXPECT_EQ(ReplaceAll(u"abc", u"", u"x"), u"abc");
  EXPECT_EQ(ReplaceAll(u"abab", u"ab", u""), u"");
}

TEST(IntToStr, Decimal) {
  EXPECT_EQ(IntToStr(0), u"0");
  EXPECT_EQ(IntToStr(-42), u"-42");
  EXPECT_EQ(IntToStr(-9223372036854775807LL - 1), u"-9223372036854775808");
}

} // namespace
} // namespace vm
