#include "platform/windows/win_clipboard.h"

#include <shellapi.h>

#include <algorithm>
#include <cstring>

#include "app/app_texts.h"
#include "clipboard/captured_text.h"
#include "platform/windows/system_error_text.h"
#include "support/error.h"

namespace vm {

static_assert(sizeof(wchar_t) == sizeof(char16_t));

namespace {

const wchar_t* Wide(const std::u16string& AText) { return reinterpret_cast<const wchar_t*>(AText.c_str()); }

// The system's words for the last error; a call that failed without setting one is named instead.
std::u16string LastErrorText(const char16_t* ACall) {
  const DWORD Code = GetLastError();
  if (Code == ERROR_SUCCESS) return std::u16string(ACall) + u" failed";
  return SystemErrorText(Code);
}

// A locked global block, unlocked when it goes out of scope.
class TGlobalLock {
public:
  explicit TGlobalLock(HGLOBAL ABlock) : FBlock(ABlock), FData(ABlock ? GlobalLock(ABlock) : nullptr) {}
  ~TGlobalLock() {
    if (FData) GlobalUnlock(FBlock);
  }
  TGlobalLock(const TGlobalLock&) = delete;
  TGlobalLock& operator=(const TGlobalLock&) = delete;
  void* Data() const { return FData; }
  std::size_t Size() const { return FData ? GlobalSize(FBlock) : 0; }

private:
  HGLOBAL FBlock;
  void* FData;
};

// A GDI object deleted at the end of its scope unless released to a new owner.
template <typename THandle> class TGdiObject {
public:
  explicit TGdiObject(THandle AHandle = nullptr) : FHandle(AHandle) {}
  ~TGdiObject() {
    if (FHandle) DeleteObject(FHandle);
  }
  TGdiObject(const TGdiObject&) = delete;
  TGdiObject& operator=(const TGdiObject&) = delete;
  THandle Get() const { return FHandle; }
  THandle Release() {
    THandle H = FHandle;
    FHandle = nullptr;
    return H;
  }

private:
  THandle FHandle;
};

class TScreenDC {
public:
  TScreenDC() : FDC(GetDC(nullptr)) {}
  ~TScreenDC() {
    if (FDC) ReleaseDC(nullptr, FDC);
  }
  TScreenDC(const TScreenDC&) = delete;
  TScreenDC& operator=(const TScreenDC&) = delete;
  HDC Get() const { return FDC; }

private:
  HDC FDC;
};

std::uint32_t ReadU32(const std::uint8_t* AData) {
  std::uint32_t Value;
  std::memcpy(&Value, AData, sizeof Value);
  return Value;
}

// Colour channel C seen through alpha A over white.
std::uint32_t OverWhite(std::uint32_t C, std::uint32_t A) { return (C * A + 255 * (255 - A) + 127) / 255; }

// The length of the text the capture makes of the list, asked path by path without copying any.
std::size_t FileListLength(HDROP ADrop, UINT ACount) {
  std::size_t Total = 0, Read = 0;
  for (UINT I = 0; I < ACount; ++I) {
    const UINT Length = DragQueryFileW(ADrop, I, nullptr, 0);
    if (Length == 0) continue;
    Total += std::min<UINT>(Length, MAX_PATH - 1);
    ++Read;
  }
  return JoinedFileListLength(Total, Read);
}

} // namespace

bool IsDropListTerminated(const std::uint8_t* ABlock, std::size_t ASize) {
  constexpr std::size_t HeaderSize = 20; // sizeof(DROPFILES)
  if (ABlock == nullptr || ASize < HeaderSize) return false;
  const std::size_t Start = ReadU32(ABlock);
  const bool Wide = ReadU32(ABlock + 16) != 0;
  const std::size_t Unit = Wide ? 2 : 1;
  if (Start > ASize) return false;
  // Each path ends with a zero character and an empty path ends the list.
  bool AtPathStart = true;
  for (std::size_t P = Start; P + Unit <= ASize; P += Unit) {
    const bool Zero = Wide ? (ABlock[P] == 0 && ABlock[P + 1] == 0) : ABlock[P] == 0;
    if (Zero && AtPathStart) return true;
    AtPathStart = Zero;
  }
  return false;
}

TClipFormat TWinClipboard::RegisterFormat(const std::u16string& AName) {
  return RegisterClipboardFormatW(Wide(AName));
}

bool TWinClipboard::IsFormatAvailable(TClipFormat AFormat) { return IsClipboardFormatAvailable(AFormat) != FALSE; }

bool TWinClipboard::Open() { return OpenClipboard(FOwner) != FALSE; }

void TWinClipboard::Close() { CloseClipboard(); }

std::optional<TBytes> TWinClipboard::GetData(TClipFormat AFormat) {
  const TGlobalLock Lock(GetClipboardData(AFormat));
  if (!Lock.Data()) return std::nullopt;
  const auto* Bytes = static_cast<const std::uint8_t*>(Lock.Data());
  return TBytes(Bytes, Bytes + Lock.Size());
}

std::optional<std::u16string> TWinClipboard::GetUnicodeText() {
  const TGlobalLock Lock(GetClipboardData(CF_UNICODETEXT));
  if (!Lock.Data()) return std::nullopt;
  // Another program's block need not hold a zero character: never read past its end.
  const auto* Chars = static_cast<const char16_t*>(Lock.Data());
  const std::size_t Limit = Lock.Size() / sizeof(char16_t);
  std::size_t Length = 0;
  while (Length < Limit && Chars[Length] != 0) ++Length;
  // Measured in the block itself: a text above the bound is never copied.
  CheckCapturedTextLength(Length);
  return std::u16string(Chars, Length);
}

std::optional<std::vector<std::u16string>> TWinClipboard::GetDroppedFiles() {
  const HANDLE Block = GetClipboardData(CF_HDROP);
  if (!Block) return std::nullopt;
  {
    const TGlobalLock Lock(Block);
    if (!Lock.Data()) return std::nullopt;
    if (!IsDropListTerminated(static_cast<const std::uint8_t*>(Lock.Data()), Lock.Size()))
      return std::vector<std::u16string>{};
  }
  const auto Drop = static_cast<HDROP>(Block);
  const UINT Count = DragQueryFileW(Drop, 0xFFFFFFFF, nullptr, 0);
  CheckCapturedFileListLength(FileListLength(Drop, Count));
  std::vector<std::u16string> Paths;
  for (UINT I = 0; I < Count; ++I) {
    wchar_t Buffer[MAX_PATH] = {};
    const UINT Length = DragQueryFileW(Drop, I, Buffer, MAX_PATH);
    if (Length == 0) continue;
    Paths.emplace_back(reinterpret_cast<const char16_t*>(Buffer), std::min<UINT>(Length, MAX_PATH - 1));
  }
  return Paths;
}

std::optional<TImage> TWinClipboard::GetBitmap() {
  const auto Bitmap = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
  if (!Bitmap) return std::nullopt;
  const auto Palette =
      IsClipboardFormatAvailable(CF_PALETTE) ? static_cast<HPALETTE>(GetClipboardData(CF_PALETTE)) : nullptr;

  BITMAP Info{};
  if (GetObjectW(Bitmap, sizeof Info, &Info) == 0) throw TError(u"The clipboard bitmap cannot be read");
  // The bitmap was made by another program: its size is checked before its pixels are fetched.
  CheckImageBounds(Info.bmWidth, Info.bmHeight);

  TImage Image;
  Image.Width = Info.bmWidth;
  Image.Height = Info.bmHeight;
  Image.Pixels.resize(static_cast<std::size_t>(Image.Width) * static_cast<std::size_t>(Image.Height));

  BITMAPINFO Format{};
  Format.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  Format.bmiHeader.biWidth = Image.Width;
  Format.bmiHeader.biHeight = -Image.Height; // top-down, as TImage keeps its rows
  Format.bmiHeader.biPlanes = 1;
  Format.bmiHeader.biBitCount = 32;
  Format.bmiHeader.biCompression = BI_RGB;

  const TScreenDC Screen;
  if (!Screen.Get()) throw TError(LastErrorText(u"GetDC"));
  HPALETTE OldPalette = nullptr;
  if (Palette) {
    OldPalette = SelectPalette(Screen.Get(), Palette, FALSE);
    RealizePalette(Screen.Get());
  }
  const int Lines = GetDIBits(Screen.Get(), Bitmap, 0, static_cast<UINT>(Image.Height), Image.Pixels.data(),
                              &Format, DIB_RGB_COLORS);
  if (OldPalette) SelectPalette(Screen.Get(), OldPalette, FALSE);
  if (Lines != Image.Height) throw TError(u"The clipboard bitmap cannot be read: " + LastErrorText(u"GetDIBits"));
  // A clipboard bitmap has no alpha that programs agree on: its fourth byte is mostly zero.
  for (std::uint32_t& Pixel : Image.Pixels) Pixel |= 0xFF000000u;
  return Image;
}

void TWinClipboard::Empty() { EmptyClipboard(); }

void TWinClipboard::SetData(TClipFormat AFormat, const TBytes& AData) {
  // A block of no bytes cannot be locked: an empty payload gets one zero byte.
  const HGLOBAL Block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, std::max<std::size_t>(AData.size(), 1));
  if (!Block) throw TError(LastErrorText(u"GlobalAlloc"));
  {
    const TGlobalLock Lock(Block);
    if (!Lock.Data()) {
      const std::u16string Text = LastErrorText(u"GlobalLock");
      GlobalFree(Block);
      throw TError(Text);
    }
    if (!AData.empty()) std::memcpy(Lock.Data(), AData.data(), AData.size());
  }
  if (!SetClipboardData(AFormat, Block)) {
    const std::u16string Text = LastErrorText(u"SetClipboardData");
    GlobalFree(Block);
    throw TError(Text);
  }
}

bool TWinClipboard::SetUnicodeText(const std::u16string& AText) {
  const std::size_t Bytes = sizeof(char16_t) * (AText.size() + 1);
  const HGLOBAL Block = GlobalAlloc(GMEM_MOVEABLE, Bytes);
  if (!Block) return false;
  {
    const TGlobalLock Lock(Block);
    if (!Lock.Data()) {
      GlobalFree(Block);
      return false;
    }
    auto* Chars = static_cast<char16_t*>(Lock.Data());
    std::memcpy(Chars, AText.data(), sizeof(char16_t) * AText.size());
    Chars[AText.size()] = 0;
  }
  if (!SetClipboardData(CF_UNICODETEXT, Block)) {
    GlobalFree(Block);
    return false;
  }
  return true;
}

void TWinClipboard::SetBitmap(const TImage& AImage) {
  CheckImageBounds(AImage.Width, AImage.Height);
  const std::size_t Count = static_cast<std::size_t>(AImage.Width) * static_cast<std::size_t>(AImage.Height);
  if (AImage.Pixels.size() != Count) throw TError(u"The picture's pixels are incomplete");

  BITMAPINFO Format{};
  Format.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  Format.bmiHeader.biWidth = AImage.Width;
  Format.bmiHeader.biHeight = -AImage.Height;
  Format.bmiHeader.biPlanes = 1;
  Format.bmiHeader.biBitCount = 32;
  Format.bmiHeader.biCompression = BI_RGB;
  void* Bits = nullptr;
  // A 32-bit bitmap has no colour table, so no CF_PALETTE goes with it.
  TGdiObject<HBITMAP> Bitmap(CreateDIBSection(nullptr, &Format, DIB_RGB_COLORS, &Bits, nullptr, 0));
  if (!Bitmap.Get() || !Bits) throw TError(u"The bitmap cannot be made: " + LastErrorText(u"CreateDIBSection"));

  auto* Out = static_cast<std::uint32_t*>(Bits);
  for (std::size_t I = 0; I < Count; ++I) {
    const std::uint32_t P = AImage.Pixels[I];
    const std::uint32_t A = P >> 24;
    if (A == 0xFF) {
      Out[I] = P;
      continue;
    }
    Out[I] = 0xFF000000u | OverWhite((P >> 16) & 0xFF, A) << 16 | OverWhite((P >> 8) & 0xFF, A) << 8 |
             OverWhite(P & 0xFF, A);
  }
  GdiFlush();

  if (!SetClipboardData(CF_BITMAP, Bitmap.Get())) throw TError(LastErrorText(u"SetClipboardData"));
  Bitmap.Release(); // the clipboard owns it now
}

bool TWinClipboard::HasUnicodeText() { return IsClipboardFormatAvailable(CF_UNICODETEXT) != FALSE; }

std::u16string TWinClipboard::ReadUnicodeText() {
  TClipboardSession Session(*this);
  if (!Session.IsOpen()) throw TError(texts::ClipboardOpenFailed);
  std::optional<std::u16string> Text = GetUnicodeText();
  if (!Text) throw TError(u"The clipboard holds no text");
  return std::move(*Text);
}

bool StartClipboardListener(HWND AWindow) { return AddClipboardFormatListener(AWindow) != FALSE; }

void StopClipboardListener(HWND AWindow) { RemoveClipboardFormatListener(AWindow); }

} // namespace vm
