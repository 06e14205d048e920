#include <gtest/gtest.h>

#include "clipboard/drop_files.h"

namespace vm {
namespace {

// The header every block starts with: pFiles = 20, pt = (0, 0), fNC = 0, fWide = 0xFFFFFFFF.
const TBytes Header{20, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF};

TBytes Utf16Le(std::u16string_view AText) {
  TBytes Out;
  for (char16_t C : AText) {
    Out.push_back(static_cast<std::uint8_t>(C & 0xFF));
    Out.push_back(static_cast<std::uint8_t>(C >> 8));
  }
  return Out;
}

TBytes Concat(std::initializer_list<TBytes> AParts) {
  TBytes Out;
  for (const auto& Part : AParts) Out.insert(Out.end(), Part.begin(), Part.end());
  return Out;
}

const TBytes Zero{0, 0};

TEST(DropFiles, TwoShortPathsMakeTheFortyFourByteBlock) {
  const TBytes Block = BuildDropFiles({u"C:\\a", u"C:\\bb"});
  const TBytes Expected = Concat({Header, Utf16Le(u"C:\\a"), Zero, Utf16Le(u"C:\\bb"), Zero, Zero});
  ASSERT_EQ(Block.size(), 44u);
  EXPECT_EQ(Block, Expected);
}

TEST(DropFiles, JapaneseAndSurrogatePairPathsAreCopiedAsUtf16CodeUnits) {
  // "📁" is a surrogate pair: two code units, counted as two characters of the block.
  const std::u16string Path = u"C:\\資料\\報告書📁.docx";
  const TBytes Block = BuildDropFiles({Path});
  EXPECT_EQ(Block.size(), 20 + 2 * (1 + Path.size() + 1));
  EXPECT_EQ(Block, Concat({Header, Utf16Le(Path), Zero, Zero}));
  // 資 is U+8CC7: low byte first.
  EXPECT_EQ(Block[26], 0xC7);
  EXPECT_EQ(Block[27], 0x8C);
}

TEST(DropFiles, AnEmptyListIsTheHeaderAndTheFinalZero) {
  EXPECT_EQ(BuildDropFiles({}), Concat({Header, Zero}));
}

} // namespace
} // namespace vm
