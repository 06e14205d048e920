#include "clipboard/drop_files.h"

namespace vm {
namespace {

void PutU32(TBytes& ABlock, std::size_t AOffset, std::uint32_t AValue) {
  for (std::size_t I = 0; I < 4; ++I) ABlock[AOffset + I] = static_cast<std::uint8_t>(AValue >> (8 * I));
}

} // namespace

TBytes BuildDropFiles(const std::vector<std::u16string>& APaths) {
  std::size_t Chars = 1;
  for (const auto& Path : APaths) Chars += Path.size() + 1;
  // Zero-filled, as the desktop's movable block is: the terminators come from the fill.
  TBytes Block(DropFilesHeaderSize + 2 * Chars, 0);
  PutU32(Block, 0, static_cast<std::uint32_t>(DropFilesHeaderSize)); // pFiles
  PutU32(Block, 16, 0xFFFFFFFFu);                                    // fWide: the paths are UTF-16
  std::size_t Pos = DropFilesHeaderSize;
  for (const auto& Path : APaths) {
    for (char16_t C : Path) {
      Block[Pos++] = static_cast<std::uint8_t>(C & 0xFF);
      Block[Pos++] = static_cast<std::uint8_t>(C >> 8);
    }
    Pos += 2;
  }
  return Block;
}

} // namespace vm
