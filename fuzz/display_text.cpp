// The one-line label of an entry (TClipItem::DisplayText) over any text of any entry kind, as
// a history file or a capture may bring it: the label never holds a line break.
#include <cstdint>

#include "fuzz_support.h"
#include "history/clip_item.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* AData, std::size_t ASize) {
  if (ASize == 0) return 0;
  vm::TClipItem Item;
  Item.ItemType = static_cast<vm::TClipItemType>(AData[0] % 3);
  Item.Text = vm::fuzz::AsUtf16(AData + 1, ASize - 1);
  const std::u16string Label = Item.DisplayText();
  FUZZ_CHECK(Label.find(u'\r') == std::u16string::npos && Label.find(u'\n') == std::u16string::npos);
  if (Item.ItemType != vm::citFiles) FUZZ_CHECK(Label.size() <= Item.Text.size());
  vm::ExtractFileNamePart(Item.Text);
  return 0;
}
