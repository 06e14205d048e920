#pragma once
// The clipboard as the "{clipboard}" placeholder sees it: some Unicode text or none, and another
// program that may hold it open.
#include <optional>
#include <string>

#include "clipboard/captured_text.h"
#include "platform/clipboard_text.h"
#include "support/error.h"

namespace vm::test {

class TFakeClipboardText final : public IClipboardText {
public:
  std::optional<std::u16string> Text; // nullopt: no Unicode text (empty, or an image)
  bool HeldOpen = false;              // another program holds the clipboard: reading throws
  int Asks = 0, Reads = 0;

  bool HasUnicodeText() override {
    ++Asks;
    return Text.has_value();
  }
  std::u16string ReadUnicodeText() override {
    ++Reads;
    if (HeldOpen) throw TError(u"OpenClipboard failed: Access is denied.");
    if (!Text) throw TError(u"The clipboard holds no text");
    CheckCapturedTextLength(Text->size());
    return *Text;
  }
};

} // namespace vm::test
