#pragma once
// The clipboard's Unicode text, as the "{clipboard}" placeholder reads it.
#include <string>

namespace vm {

class IClipboardText {
public:
  virtual ~IClipboardText() = default;
  // Asks without opening the clipboard.
  virtual bool HasUnicodeText() = 0;
  // Opens, reads the text up to its first zero character, closes. Throws TError when the
  // clipboard cannot be opened or holds no text.
  virtual std::u16string ReadUnicodeText() = 0;
};

} // namespace vm
