#pragma once
// One history entry: a text, an image kept as a file in ImagesDir, or a list of copied paths.
#include <cstdint>
#include <string>
#include <string_view>

namespace vm {

// The numeric values are written to the history file; they must never change.
enum TClipItemType : std::uint8_t { citText = 0, citImage = 1, citFiles = 2 };

struct TClipItem {
  TClipItemType ItemType = citText;
  // citText: the text as captured. citFiles: the paths joined by "\r\n". citImage: empty.
  std::u16string Text;
  // citImage: the image's bare file name inside ImagesDir. Empty for the other kinds.
  std::u16string ImageFile;
  bool Pinned = false;

  // The one-line label of the entry in the list.
  std::u16string DisplayText() const;
};

// The file-name part of a path as the list shows it: what follows the last "\" or ":".
std::u16string ExtractFileNamePart(std::u16string_view APath);

} // namespace vm
