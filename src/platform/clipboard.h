#pragma once
// The system clipboard, shaped like the desktop clipboard the program was made for: numbered
// formats asked for without opening, and an open / work / close sequence for reads and writes.
// Each platform maps the format numbers onto what its clipboard offers.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/clipboard_text.h"
#include "platform/imaging.h"

namespace vm {

using TClipFormat = std::uint32_t;

// The standard format numbers.
inline constexpr TClipFormat CF_TEXT_FORMAT = 1;
inline constexpr TClipFormat CF_BITMAP_FORMAT = 2;
inline constexpr TClipFormat CF_UNICODETEXT_FORMAT = 13;
inline constexpr TClipFormat CF_HDROP_FORMAT = 15;

class IClipboard : public IClipboardText {
public:
  // Registers a named format and returns its number (0 on failure).
  virtual TClipFormat RegisterFormat(const std::u16string& AName) = 0;
  // Asks without opening the clipboard.
  virtual bool IsFormatAvailable(TClipFormat AFormat) = 0;

  // Opens the clipboard with the main window as owner; false when another program holds it.
  // Every successful Open is paired with exactly one Close (see TClipboardSession).
  virtual bool Open() = 0;
  virtual void Close() = 0;

  // Reads while open. nullopt: no such data, or its memory could not be locked.
  // The bytes of a block as the system reports its size (spare bytes at the end included).
  virtual std::optional<TBytes> GetData(TClipFormat AFormat) = 0;
  // The Unicode text up to its first zero character.
  virtual std::optional<std::u16string> GetUnicodeText() = 0;
  // The dropped paths in order, each read into a 260-character buffer (longer paths arrive cut
  // to 259 characters); paths that read as empty are skipped.
  virtual std::optional<std::vector<std::u16string>> GetDroppedFiles() = 0;
  // The bitmap (with its palette when there is one). Throws TError when it cannot be read.
  virtual std::optional<TImage> GetBitmap() = 0;

  // Writes while open.
  virtual void Empty() = 0;
  // Puts a block of bytes under AFormat; throws TError with the system's text when memory cannot
  // be had or the clipboard refuses the data.
  virtual void SetData(TClipFormat AFormat, const TBytes& AData) = 0;
  // Puts the text and a terminating zero as Unicode text; false when refused (never throws).
  virtual bool SetUnicodeText(const std::u16string& AText) = 0;
  // Puts the picture as a bitmap; throws TError when refused.
  virtual void SetBitmap(const TImage& AImage) = 0;
};

// Open / work / close with the close guaranteed, also when an error escapes.
class TClipboardSession {
public:
  explicit TClipboardSession(IClipboard& AClipboard) : FClipboard(AClipboard), FOpen(AClipboard.Open()) {}
  ~TClipboardSession() {
    if (FOpen) FClipboard.Close();
  }
  TClipboardSession(const TClipboardSession&) = delete;
  TClipboardSession& operator=(const TClipboardSession&) = delete;
  bool IsOpen() const { return FOpen; }

private:
  IClipboard& FClipboard;
  bool FOpen;
};

} // namespace vm
