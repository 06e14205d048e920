#include <gtest/gtest.h>

#include "support/text.h"

namespace vm {

TEST(Utf8Conversion, RoundTripsJapaneseAndEmoji) {
  const std::u16string Text = u"日本語 📌 a\r\nb";
  EXPECT_EQ(Utf8ToUtf16(Utf16ToUtf8(Text)), Text);
}

} // namespace vm
