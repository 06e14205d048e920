#include "platform/windows/win_imaging.h"

#include <windows.h>

#include <bcrypt.h>
#include <objbase.h>
#include <wincodec.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <utility>

#include "platform/windows/system_error_text.h"
#include "support/error.h"

namespace vm {

namespace {

// The imaging factory of WIC 1 and the pixel format every picture is read into: values fixed
// here so that no SDK's choice of default factory changes them.
constexpr GUID WicImagingFactoryClsid = {
    0xcacaf262, 0x9370, 0x4615, {0xa1, 0x3b, 0x9f, 0x55, 0x39, 0xda, 0x4c, 0x0a}};
constexpr GUID WicImagingFactoryIid = {0xec5ec8a9, 0xc395, 0x4314, {0x9c, 0x77, 0x54, 0xd7, 0xa9, 0x35, 0xff, 0x70}};
constexpr GUID Pixel32bppBgra = {0x6fddc324, 0x4e03, 0x4bfe, {0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9, 0x0f}};

// Owns one COM interface pointer.
template <typename T> class TComPtr {
public:
  TComPtr() = default;
  ~TComPtr() { Reset(); }
  TComPtr(TComPtr&& AOther) noexcept : FPtr(std::exchange(AOther.FPtr, nullptr)) {}
  TComPtr(const TComPtr&) = delete;
  TComPtr& operator=(const TComPtr&) = delete;
  T* operator->() const { return FPtr; }
  T* Get() const { return FPtr; }
  T** Put() {
    Reset();
    return &FPtr;
  }
  void Reset() {
    if (FPtr) FPtr->Release();
    FPtr = nullptr;
  }

private:
  T* FPtr = nullptr;
};

// COM for the length of one routine. Uninitialises only what its own call initialised: a thread
// already in another apartment model (RPC_E_CHANGED_MODE) is left as it was.
class TComScope {
public:
  explicit TComScope(HRESULT AInit) : FInitialised(SUCCEEDED(AInit)) {}
  ~TComScope() {
    if (FInitialised) CoUninitialize();
  }
  TComScope(const TComScope&) = delete;
  TComScope& operator=(const TComScope&) = delete;

private:
  bool FInitialised;
};

std::u16string FormatSystemMessage(DWORD ACode) {
  wchar_t* Buffer = nullptr;
  const DWORD Length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, ACode, 0,
      reinterpret_cast<wchar_t*>(&Buffer), 0, nullptr);
  std::u16string Text;
  if (Length > 0 && Buffer != nullptr)
    Text = TrimErrorText(std::u16string_view(reinterpret_cast<const char16_t*>(Buffer), Length));
  if (Buffer) LocalFree(Buffer);
  return Text;
}

// The WIC call's own failure code is the whole message: the routine's caller names the file.
void CheckWic(HRESULT AResult) {
  if (FAILED(AResult)) throw TError(HResultText(AResult));
}

TComPtr<IWICImagingFactory> CreateFactory() {
  TComPtr<IWICImagingFactory> Factory;
  CheckWic(CoCreateInstance(WicImagingFactoryClsid, nullptr, CLSCTX_INPROC_SERVER, WicImagingFactoryIid,
                            reinterpret_cast<void**>(Factory.Put())));
  return Factory;
}

void PutU16(TBytes& AOut, std::uint32_t AValue) {
  AOut.push_back(static_cast<std::uint8_t>(AValue));
  AOut.push_back(static_cast<std::uint8_t>(AValue >> 8));
}

void PutU32(TBytes& AOut, std::uint32_t AValue) {
  PutU16(AOut, AValue & 0xFFFF);
  PutU16(AOut, AValue >> 16);
}

// An image file's start is checked before WIC opens it, since a decoder may reserve the whole
// picture while it does. Returns the file's size, or -1 for a file that cannot be read here,
// whose error WIC then reports.
long long CheckImageFileHeader(const std::u16string& AFileName) {
  std::ifstream In(std::filesystem::path(AFileName), std::ios::binary);
  if (!In) return -1;
  TBytes Start(ImageHeaderBytes);
  In.read(reinterpret_cast<char*>(Start.data()), static_cast<std::streamsize>(Start.size()));
  Start.resize(static_cast<std::size_t>(In.gcount()));
  In.clear();
  In.seekg(0, std::ios::end);
  const long long Size = static_cast<long long>(In.tellg());
  if (Size < 0) return -1;
  CheckImageHeader(Start, Size);
  return Size;
}

// Rows handed to or taken from WIC per call.
constexpr UINT BandRows = 256;

// Width x height pixels of AFrame as 0xAARRGGBB, straight alpha, top-down.
TImage ReadFrame(IWICImagingFactory* AFactory, IWICBitmapSource* AFrame) {
  TComPtr<IWICFormatConverter> Converter;
  CheckWic(AFactory->CreateFormatConverter(Converter.Put()));
  CheckWic(Converter->Initialize(AFrame, Pixel32bppBgra, WICBitmapDitherTypeNone, nullptr, 0.0,
                                 WICBitmapPaletteTypeCustom));
  UINT Width = 0, Height = 0;
  CheckWic(Converter->GetSize(&Width, &Height));
  CheckImageBounds(Width, Height);
  TImage Image;
  Image.Width = static_cast<int>(Width);
  Image.Height = static_cast<int>(Height);
  Image.Pixels.resize(std::size_t{Width} * Height);
  // Band by band: a converter asked for the whole picture at once may first convert all of it
  // into a buffer of its own, a second full-size copy beside ours.
  for (UINT Top = 0; Top < Height; Top += BandRows) {
    const UINT Rows = std::min(BandRows, Height - Top);
    const WICRect Band{0, static_cast<INT>(Top), static_cast<INT>(Width), static_cast<INT>(Rows)};
    CheckWic(Converter->CopyPixels(&Band, Width * 4, Width * Rows * 4,
                                   reinterpret_cast<BYTE*>(Image.Pixels.data() + std::size_t{Width} * Top)));
  }
  return Image;
}

TImage DecodeInMemory(const TBytes& AData, const GUID& AContainer) {
  const TComScope Com(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
  TComPtr<IWICImagingFactory> Factory = CreateFactory();
  TComPtr<IWICStream> Stream;
  CheckWic(Factory->CreateStream(Stream.Put()));
  CheckWic(Stream->InitializeFromMemory(const_cast<BYTE*>(AData.data()), static_cast<DWORD>(AData.size())));
  TComPtr<IWICBitmapDecoder> Decoder;
  CheckWic(Factory->CreateDecoder(AContainer, nullptr, Decoder.Put()));
  CheckWic(Decoder->Initialize(Stream.Get(), WICDecodeMetadataCacheOnDemand));
  TComPtr<IWICBitmapFrameDecode> Frame;
  CheckWic(Decoder->GetFrame(0, Frame.Put()));
  UINT Width = 0, Height = 0;
  CheckWic(Frame->GetSize(&Width, &Height));
  CheckImageDataSize(Width, Height, static_cast<long long>(AData.size()));
  return ReadFrame(Factory.Get(), Frame.Get());
}

TBytes EncodeInMemory(const TImage& AImage, const GUID& AContainer) {
  const TComScope Com(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
  TComPtr<IWICImagingFactory> Factory = CreateFactory();
  TComPtr<IStream> Stream;
  CheckWic(CreateStreamOnHGlobal(nullptr, TRUE, Stream.Put()));
  TComPtr<IWICBitmapEncoder> Encoder;
  CheckWic(Factory->CreateEncoder(AContainer, nullptr, Encoder.Put()));
  CheckWic(Encoder->Initialize(Stream.Get(), WICBitmapEncoderNoCache));
  TComPtr<IWICBitmapFrameEncode> Frame;
  TComPtr<IPropertyBag2> Options;
  CheckWic(Encoder->CreateNewFrame(Frame.Put(), Options.Put()));
  CheckWic(Frame->Initialize(Options.Get()));
  const auto Width = static_cast<UINT>(AImage.Width);
  const auto Height = static_cast<UINT>(AImage.Height);
  CheckWic(Frame->SetSize(Width, Height));
  WICPixelFormatGUID Format = Pixel32bppBgra;
  CheckWic(Frame->SetPixelFormat(&Format));
  if (!IsEqualGUID(Format, Pixel32bppBgra)) throw TError(u"the encoder does not take 32-bit BGRA pixels");
  // Band by band, as the rows are handed to the encoder in order: no call sees the whole picture.
  for (UINT Top = 0; Top < Height; Top += BandRows) {
    const UINT Rows = std::min(BandRows, Height - Top);
    auto* First = const_cast<std::uint32_t*>(AImage.Pixels.data() + std::size_t{Width} * Top);
    CheckWic(Frame->WritePixels(Rows, Width * 4, Width * Rows * 4, reinterpret_cast<BYTE*>(First)));
  }
  CheckWic(Frame->Commit());
  CheckWic(Encoder->Commit());

  // The stream's memory block may be larger than what was written into it.
  STATSTG Stat{};
  CheckWic(Stream->Stat(&Stat, STATFLAG_NONAME));
  HGLOBAL Memory = nullptr;
  CheckWic(GetHGlobalFromStream(Stream.Get(), &Memory));
  const auto* Bytes = static_cast<const std::uint8_t*>(GlobalLock(Memory));
  if (!Bytes) throw TError(SystemErrorText(GetLastError()));
  TBytes Out(Bytes, Bytes + Stat.cbSize.QuadPart);
  GlobalUnlock(Memory);
  return Out;
}

void CheckPixels(const TImage& AImage) {
  CheckImageBounds(AImage.Width, AImage.Height);
  if (AImage.Pixels.size() != static_cast<std::size_t>(AImage.Width) * static_cast<std::size_t>(AImage.Height))
    throw TError(u"The picture's pixels are incomplete");
}

class TMemoryDC {
public:
  TMemoryDC() : FDC(CreateCompatibleDC(nullptr)) {}
  ~TMemoryDC() {
    if (FOld) SelectObject(FDC, FOld);
    if (FDC) DeleteDC(FDC);
  }
  TMemoryDC(const TMemoryDC&) = delete;
  TMemoryDC& operator=(const TMemoryDC&) = delete;
  HDC Get() const { return FDC; }
  void Select(HGDIOBJ AObject) {
    HGDIOBJ Old = SelectObject(FDC, AObject);
    if (!FOld) FOld = Old;
  }

private:
  HDC FDC;
  HGDIOBJ FOld = nullptr;
};

class TBitmapHandle {
public:
  explicit TBitmapHandle(HBITMAP AHandle) : FHandle(AHandle) {}
  ~TBitmapHandle() {
    if (FHandle) DeleteObject(FHandle);
  }
  TBitmapHandle(const TBitmapHandle&) = delete;
  TBitmapHandle& operator=(const TBitmapHandle&) = delete;
  HBITMAP Get() const { return FHandle; }

private:
  HBITMAP FHandle;
};

// A DIB section of AWidth x AHeight (negative height: top-down rows) at ABits bits per pixel.
HBITMAP CreateDib(int AWidth, int AHeight, WORD ABits, void** APixels) {
  BITMAPINFO Format{};
  Format.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  Format.bmiHeader.biWidth = AWidth;
  Format.bmiHeader.biHeight = AHeight;
  Format.bmiHeader.biPlanes = 1;
  Format.bmiHeader.biBitCount = ABits;
  Format.bmiHeader.biCompression = BI_RGB;
  *APixels = nullptr;
  HBITMAP Bitmap = CreateDIBSection(nullptr, &Format, DIB_RGB_COLORS, APixels, nullptr, 0);
  if (!Bitmap || !*APixels) {
    const DWORD Code = GetLastError();
    if (Bitmap) DeleteObject(Bitmap);
    throw TError(u"The bitmap cannot be made: " +
                 (Code ? SystemErrorText(Code) : std::u16string(u"CreateDIBSection failed")));
  }
  return Bitmap;
}

// Channel C under alpha A over black, rounded.
std::uint32_t OverBlack(std::uint32_t C, std::uint32_t A) { return (C * A + 127) / 255; }

} // namespace

std::u16string HResultText(long AResult) {
  const auto Code = static_cast<DWORD>(AResult);
  std::u16string Text = FormatSystemMessage(Code);
  // A Win32 error wrapped as an HRESULT has the Win32 error's text.
  if (Text.empty() && HRESULT_FACILITY(Code) == FACILITY_WIN32) Text = FormatSystemMessage(HRESULT_CODE(Code));
  if (Text.empty()) {
    static constexpr char16_t Digits[] = u"0123456789ABCDEF";
    Text = u"HRESULT 0x";
    for (int Shift = 28; Shift >= 0; Shift -= 4) Text += Digits[(Code >> Shift) & 0xF];
  }
  return Text;
}

TImage TWinImaging::DecodePng(const TBytes& AData) {
  CheckPngHeader(AData);
  try {
    return DecodeInMemory(AData, GUID_ContainerFormatPng);
  } catch (const TError& E) {
    throw TError(u"The PNG image cannot be decoded: " + E.Message());
  }
}

TImage TWinImaging::DecodeBmp(const TBytes& AData) {
  CheckBmpHeader(AData);
  try {
    return DecodeInMemory(AData, GUID_ContainerFormatBmp);
  } catch (const TError& E) {
    throw TError(u"The BMP image cannot be decoded: " + E.Message());
  }
}

TBytes TWinImaging::EncodePng(const TImage& AImage) {
  CheckPixels(AImage);
  try {
    return EncodeInMemory(AImage, GUID_ContainerFormatPng);
  } catch (const TError& E) {
    throw TError(u"The PNG image cannot be encoded: " + E.Message());
  }
}

TBytes TWinImaging::Md5(const TBytes& AData) {
  BCRYPT_ALG_HANDLE Algorithm = nullptr;
  NTSTATUS Status = BCryptOpenAlgorithmProvider(&Algorithm, BCRYPT_MD5_ALGORITHM, nullptr, 0);
  if (!BCRYPT_SUCCESS(Status)) throw TError(u"MD5 is not available: " + HResultText(HRESULT_FROM_NT(Status)));
  BCRYPT_HASH_HANDLE Hash = nullptr;
  TBytes Digest(16);
  Status = BCryptCreateHash(Algorithm, &Hash, nullptr, 0, nullptr, 0, 0);
  // BCryptHashData takes a 32-bit length: larger data goes in pieces.
  std::size_t Done = 0;
  while (BCRYPT_SUCCESS(Status) && Done < AData.size()) {
    const ULONG Piece = static_cast<ULONG>(std::min<std::size_t>(AData.size() - Done, 1u << 30));
    Status = BCryptHashData(Hash, const_cast<PUCHAR>(AData.data() + Done), Piece, 0);
    Done += Piece;
  }
  if (BCRYPT_SUCCESS(Status)) Status = BCryptFinishHash(Hash, Digest.data(), static_cast<ULONG>(Digest.size()), 0);
  if (Hash) BCryptDestroyHash(Hash);
  BCryptCloseAlgorithmProvider(Algorithm, 0);
  if (!BCRYPT_SUCCESS(Status)) throw TError(u"MD5 failed: " + HResultText(HRESULT_FROM_NT(Status)));
  return Digest;
}

TImage TWinImaging::Thumbnail(TImage AImage, int ASize) {
  CheckPixels(AImage);
  if (ASize <= 0) throw TError(u"A thumbnail needs a size");

  // The picture is the thumbnail's to change: its pixels are laid over black where they lie and
  // drawn from there, rather than from a full-size bitmap copy of them.
  for (std::uint32_t& P : AImage.Pixels) {
    const std::uint32_t A = P >> 24;
    if (A != 0xFF) P = OverBlack((P >> 16) & 0xFF, A) << 16 | OverBlack((P >> 8) & 0xFF, A) << 8 | OverBlack(P & 0xFF, A);
  }
  BITMAPINFO SourceFormat{};
  SourceFormat.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  SourceFormat.bmiHeader.biWidth = AImage.Width;
  SourceFormat.bmiHeader.biHeight = -AImage.Height; // top-down, as the pixels lie
  SourceFormat.bmiHeader.biPlanes = 1;
  SourceFormat.bmiHeader.biBitCount = 32;
  SourceFormat.bmiHeader.biCompression = BI_RGB;

  void* ThumbBits = nullptr;
  const TBitmapHandle Thumb(CreateDib(ASize, -ASize, 24, &ThumbBits));
  TMemoryDC ThumbDC;
  if (!ThumbDC.Get()) throw TError(u"The thumbnail cannot be drawn: " + SystemErrorText(GetLastError()));
  ThumbDC.Select(Thumb.Get());
  PatBlt(ThumbDC.Get(), 0, 0, ASize, ASize, BLACKNESS);
  SetStretchBltMode(ThumbDC.Get(), HALFTONE);
  SetBrushOrgEx(ThumbDC.Get(), 0, 0, nullptr);
  if (StretchDIBits(ThumbDC.Get(), 0, 0, ASize, ASize, 0, 0, AImage.Width, AImage.Height, AImage.Pixels.data(),
                    &SourceFormat, DIB_RGB_COLORS, SRCCOPY) == 0)
    throw TError(u"The thumbnail cannot be drawn: " + SystemErrorText(GetLastError()));
  GdiFlush();

  TImage Out;
  Out.Width = ASize;
  Out.Height = ASize;
  Out.Pixels.reserve(static_cast<std::size_t>(ASize) * static_cast<std::size_t>(ASize));
  const std::size_t Stride = (static_cast<std::size_t>(ASize) * 3 + 3) & ~std::size_t{3};
  const auto* Rows = static_cast<const std::uint8_t*>(ThumbBits);
  for (int Y = 0; Y < ASize; ++Y) {
    const std::uint8_t* Row = Rows + Stride * static_cast<std::size_t>(Y);
    for (int X = 0; X < ASize; ++X, Row += 3)
      Out.Pixels.push_back(0xFF000000u | std::uint32_t{Row[2]} << 16 | std::uint32_t{Row[1]} << 8 | Row[0]);
  }
  return Out;
}

TBytes TWinImaging::EncodeBmp24(const TImage& AImage) {
  CheckPixels(AImage);
  const std::size_t Width = static_cast<std::size_t>(AImage.Width);
  const std::size_t Height = static_cast<std::size_t>(AImage.Height);
  const std::size_t Stride = (Width * 3 + 3) & ~std::size_t{3};
  const std::size_t ImageSize = Stride * Height;
  constexpr std::size_t HeadersSize = 14 + 40;
  if (HeadersSize + ImageSize > 0xFFFFFFFFu) throw TError(u"The picture is too large for a BMP file");

  TBytes Out;
  Out.reserve(HeadersSize + ImageSize);
  // BITMAPFILEHEADER
  Out.push_back('B');
  Out.push_back('M');
  PutU32(Out, static_cast<std::uint32_t>(HeadersSize + ImageSize)); // bfSize
  PutU16(Out, 0);                                                    // bfReserved1
  PutU16(Out, 0);                                                    // bfReserved2
  PutU32(Out, HeadersSize);                                          // bfOffBits
  // BITMAPINFOHEADER
  PutU32(Out, 40);                                     // biSize
  PutU32(Out, static_cast<std::uint32_t>(Width));      // biWidth
  PutU32(Out, static_cast<std::uint32_t>(Height));     // biHeight, positive: bottom-up rows
  PutU16(Out, 1);                                      // biPlanes
  PutU16(Out, 24);                                     // biBitCount
  PutU32(Out, 0);                                      // biCompression = BI_RGB
  PutU32(Out, static_cast<std::uint32_t>(ImageSize));  // biSizeImage
  PutU32(Out, 0);                                      // biXPelsPerMeter
  PutU32(Out, 0);                                      // biYPelsPerMeter
  PutU32(Out, 0);                                      // biClrUsed
  PutU32(Out, 0);                                      // biClrImportant
  for (std::size_t Y = Height; Y-- > 0;) {
    const std::uint32_t* Row = AImage.Pixels.data() + Y * Width;
    for (std::size_t X = 0; X < Width; ++X) {
      Out.push_back(static_cast<std::uint8_t>(Row[X]));       // blue
      Out.push_back(static_cast<std::uint8_t>(Row[X] >> 8));  // green
      Out.push_back(static_cast<std::uint8_t>(Row[X] >> 16)); // red
    }
    Out.resize(Out.size() + (Stride - Width * 3), 0);
  }
  return Out;
}

TImage TWinImaging::LoadImageFile(const std::u16string& AFileName) {
  static_assert(sizeof(wchar_t) == sizeof(char16_t));
  const long long FileBytes = CheckImageFileHeader(AFileName);
  const TComScope Com(CoInitialize(nullptr));
  TComPtr<IWICImagingFactory> Factory = CreateFactory();

  TComPtr<IWICBitmapDecoder> Decoder;
  CheckWic(Factory->CreateDecoderFromFilename(reinterpret_cast<const wchar_t*>(AFileName.c_str()),
                                              nullptr, // no preferred vendor
                                              GENERIC_READ, WICDecodeMetadataCacheOnLoad, Decoder.Put()));
  TComPtr<IWICBitmapFrameDecode> Frame; // a multi-frame file gives its first frame
  CheckWic(Decoder->GetFrame(0, Frame.Put()));
  TComPtr<IWICFormatConverter> Converter;
  CheckWic(Factory->CreateFormatConverter(Converter.Put()));
  CheckWic(Converter->Initialize(Frame.Get(), Pixel32bppBgra, WICBitmapDitherTypeNone, nullptr, 0.0,
                                 WICBitmapPaletteTypeCustom));
  UINT Width = 0, Height = 0;
  CheckWic(Converter->GetSize(&Width, &Height));
  if (FileBytes >= 0)
    CheckImageDataSize(Width, Height, FileBytes);
  else
    CheckImageBounds(Width, Height);

  // A 32-bit bitmap keeps its rows bottom-up, so the one-call copy lands upside down and the
  // rows are swapped back afterwards. The converter gives straight alpha.
  void* Bits = nullptr;
  const TBitmapHandle Bitmap(CreateDib(static_cast<int>(Width), static_cast<int>(Height), 32, &Bits));
  const UINT Stride = Width * 4;
  auto* Memory = static_cast<std::uint8_t*>(Bits);
  CheckWic(Converter->CopyPixels(nullptr, Stride, Stride * Height, Memory));
  std::vector<std::uint8_t> Row(Stride);
  for (UINT K = 0; K < Height / 2; ++K) {
    std::uint8_t* Upper = Memory + std::size_t{K} * Stride;
    std::uint8_t* Lower = Memory + std::size_t{Height - 1 - K} * Stride;
    std::memcpy(Row.data(), Upper, Stride);
    std::memcpy(Upper, Lower, Stride);
    std::memcpy(Lower, Row.data(), Stride);
  }

  // The bitmap's memory row 0 is the picture's bottom row.
  TImage Image;
  Image.Width = static_cast<int>(Width);
  Image.Height = static_cast<int>(Height);
  Image.Pixels.resize(std::size_t{Width} * Height);
  for (UINT Y = 0; Y < Height; ++Y)
    std::memcpy(Image.Pixels.data() + std::size_t{Y} * Width, Memory + std::size_t{Height - 1 - Y} * Stride, Stride);
  return Image;
}

} // namespace vm
