// The hotkey text of the settings file ("Ctrl+Alt+Q", "^Q", "shift+f5"), parsed into a
// TShortCut and written back. Whatever is parsed writes a text that parses to the same code;
// and every code with a key name survives the way back from its text.
#include <cstdint>

#include "app/shortcut.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* AData, std::size_t ASize) {
  const vm::TShortCut Parsed = vm::TextToShortCut(vm::fuzz::AsUtf16(AData, ASize));
  FUZZ_CHECK((Parsed & 0x1F00) == 0);
  const std::u16string Text = vm::ShortCutToText(Parsed);
  FUZZ_CHECK(Text.empty() == (Parsed == 0));
  FUZZ_CHECK(vm::TextToShortCut(Text) == Parsed);

  if (ASize >= 2) {
    const auto Code = static_cast<vm::TShortCut>(AData[0] | AData[1] << 8);
    const std::u16string CodeText = vm::ShortCutToText(Code);
    const vm::TShortCut Valid = vm::MakeShortCut(vm::ShortCutKey(Code), vm::ShortCutModifiers(Code));
    if (!CodeText.empty()) FUZZ_CHECK(vm::TextToShortCut(CodeText) == Valid);
    FUZZ_CHECK(vm::ShortCutFromCombo(vm::SplitShortCut(Valid)) == Valid);
  }
  return 0;
}
