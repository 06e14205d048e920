#pragma once
// The Windows clipboard behind IClipboard: numbered formats, global memory blocks, the file-drop
// block and GDI bitmaps, opened in the name of the main window.
#include <windows.h>

#include "platform/clipboard.h"

namespace vm {

class TWinClipboard : public IClipboard {
public:
  // The owner is the main window; it may be handed over later with SetOwner (the platform
  // objects exist before the window does).
  explicit TWinClipboard(HWND AOwner = nullptr) : FOwner(AOwner) {}
  void SetOwner(HWND AOwner) { FOwner = AOwner; }
  HWND Owner() const { return FOwner; }

  TClipFormat RegisterFormat(const std::u16string& AName) override;
  bool IsFormatAvailable(TClipFormat AFormat) override;

  bool Open() override;
  void Close() override;

  std::optional<TBytes> GetData(TClipFormat AFormat) override;
  std::optional<std::u16string> GetUnicodeText() override;
  std::optional<std::vector<std::u16string>> GetDroppedFiles() override;
  std::optional<TImage> GetBitmap() override;

  void Empty() override;
  void SetData(TClipFormat AFormat, const TBytes& AData) override;
  bool SetUnicodeText(const std::u16string& AText) override;
  // Transparent parts are laid onto white: a clipboard bitmap carries no alpha that other
  // programs agree on, and white is what a pasted picture usually lands on.
  void SetBitmap(const TImage& AImage) override;

  bool HasUnicodeText() override;
  std::u16string ReadUnicodeText() override;

private:
  HWND FOwner;
};

// The main window's subscription to WM_CLIPBOARDUPDATE: started in its WM_CREATE, ended in its
// WM_DESTROY, so it lasts exactly as long as the native window.
bool StartClipboardListener(HWND AWindow);
void StopClipboardListener(HWND AWindow);

// True when a CF_HDROP block of ASize bytes holds a path list that ends inside the block.
// DragQueryFileW trusts the block it is given; one that another program left unterminated would
// make it read past the end.
bool IsDropListTerminated(const std::uint8_t* ABlock, std::size_t ASize);

} // namespace vm
