#pragma once
// One history entry: a text, an image kept as a file in ImagesDir, or a list of copied paths.
#include <cstdint>
#include <string>
#include <string_view>

namespace vm {

// The numeric values are written to the history file; they must never change.
enum TClipItemType : std::uint8_t { citText = 0, citImage = 1, citFiles = 2 };

// A form of an entry's text worked out once and kept with the entry: the list's search lower-cases
// every entry's text, and doing that on every keystroke cost far more than the search itself. An
// entry's text never changes once it is in the history. A copied entry starts without it, so that
// a copy whose text is then changed never answers with the old form.
class TDerivedTextCache {
public:
  TDerivedTextCache() = default;
  TDerivedTextCache(const TDerivedTextCache&) {}
  TDerivedTextCache& operator=(const TDerivedTextCache&) {
    Forget();
    return *this;
  }

  // ADerive(AText), worked out on the first call. A form equal to the text is not stored twice.
  template <class TDerive> const std::u16string& Get(const std::u16string& AText, TDerive ADerive) {
    if (!FReady || FLength != AText.size()) {
      FDerived = ADerive(AText);
      FSame = FDerived == AText;
      if (FSame) std::u16string().swap(FDerived);
      FLength = AText.size();
      FReady = true;
    }
    return FSame ? AText : FDerived;
  }
  void Forget() {
    std::u16string().swap(FDerived);
    FReady = false;
  }

private:
  std::u16string FDerived;
  std::size_t FLength = 0;
  bool FReady = false, FSame = false;
};

struct TClipItem {
  TClipItemType ItemType = citText;
  // citText: the text as captured. citFiles: the paths joined by "\r\n". citImage: empty.
  std::u16string Text;
  // citImage: the image's bare file name inside ImagesDir. Empty for the other kinds.
  std::u16string ImageFile;
  bool Pinned = false;

  // The list's search keeps the lower-cased Text here (listview/view.cpp).
  mutable TDerivedTextCache SearchText{};

  // The one-line label of the entry in the list.
  std::u16string DisplayText() const;
};

// The file-name part of a path as the list shows it: what follows the last "\" or ":".
std::u16string ExtractFileNamePart(std::u16string_view APath);

} // namespace vm
