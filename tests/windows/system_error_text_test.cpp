#include <gtest/gtest.h>

#include <windows.h>

#include "platform/windows/system_error_text.h"
#include "support/text.h"

namespace vm {
namespace {

struct TTrimCase {
  std::u16string_view Text, Expected;
};

TEST(TrimErrorText, RemovesTrailingSpacesLineBreaksAndFullStopsOnly) {
  const TTrimCase Cases[] = {
      {u"Invalid data.\r\n", u"Invalid data"},
      {u"Access is denied. \r\n", u"Access is denied"},
      {u"Wait...\n\n", u"Wait"},
      {u"Version 1.2 is required.\r\n", u"Version 1.2 is required"},
      {u"  leading spaces stay.", u"  leading spaces stay"},
      {u"データが無効です。\r\n", u"データが無効です。"},
      {u".\r\n. ", u""},
      {u"", u""},
  };
  for (const TTrimCase& Case : Cases)
    EXPECT_EQ(TrimErrorText(Case.Text), Case.Expected) << Utf16ToUtf8(Case.Text);
}

TEST(SystemErrorText, GivesTheMessageTableTextWithoutItsEnding) {
  for (const DWORD Code : {ERROR_INVALID_DATA, ERROR_ACCESS_DENIED, ERROR_FILE_NOT_FOUND}) {
    wchar_t Raw[512] = {};
    const DWORD Length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, Code, 0,
                                        Raw, 512, nullptr);
    ASSERT_GT(Length, 0u) << Code;
    const std::u16string Text = SystemErrorText(Code);
    EXPECT_EQ(Text, TrimErrorText(std::u16string_view(reinterpret_cast<const char16_t*>(Raw), Length))) << Code;
    ASSERT_FALSE(Text.empty());
    EXPECT_NE(Text.back(), u'.');
    EXPECT_NE(Text.back(), u'\n');
  }
}

TEST(SystemErrorText, NamesTheNumberOfACodeWithoutText) {
  EXPECT_EQ(SystemErrorText(0x2FFFFFFF), u"System error 805306367");
}

} // namespace
} // namespace vm
