// Clipboard capture: every change of the system clipboard becomes at most one history entry.
#include <array>
#include <utility>

#include "app/vellomarch_frm.h"
#include "clipboard/captured_text.h"
#include "clipboard/image_data.h"
#include "history/clip_history.h"
#include "history/file_access.h"
#include "support/data_folders.h"
#include "support/error.h"
#include "support/log.h"

namespace vm {
namespace {

// Another program that has just changed the clipboard often still holds it open; the text read
// gives it these waits, one before each attempt.
constexpr std::array<int, 3> TextReadDelays{30, 100, 300};
constexpr int ImageCaptureDelay = 100;
constexpr int ThumbnailSize = 20;

std::uint32_t ReadU32LittleEndian(const TBytes& AData) {
  return static_cast<std::uint32_t>(AData[0]) | static_cast<std::uint32_t>(AData[1]) << 8 |
         static_cast<std::uint32_t>(AData[2]) << 16 | static_cast<std::uint32_t>(AData[3]) << 24;
}

std::string AsFileBytes(const TBytes& AData) { return std::string(AData.begin(), AData.end()); }

void ForceFolder(const std::u16string& AFolder) {
  if (!DirectoryExists(AFolder)) ForceDirectories(AFolder);
}

} // namespace

void TVellomarchFrm::WMClipboardUpdate() {
  // The run reads the clipboard as it is when it executes, after this handler has returned, so
  // updates that arrive while a run is still queued are answered by that run. A clipboard that
  // changes faster than a capture takes (each waits 30 ms at least) would otherwise queue one run
  // per change, and the hotkey would wait behind all of them.
  if (FQueuedClipUpdates++ > 0) return;
  P.DeferredCalls.Post([this] { RunQueuedCapture(); });
}

void TVellomarchFrm::RunQueuedCapture() {
  const int Updates = std::exchange(FQueuedClipUpdates, 0);
  const bool OwnWritePending = FIgnoreClipUpdate;
  CaptureClipboard();
  // The program's own write used up the first update; any other update is a change of another
  // program, read now as its own run would have read it.
  if (OwnWritePending && Updates > 1) CaptureClipboard();
}

void TVellomarchFrm::CaptureClipboard() {
  if (FIgnoreClipUpdate) {
    FIgnoreClipUpdate = false;
    return;
  }
  // A run queued before the start-up created the history or after the shut-down freed it.
  if (!FHistory) return;
  if (IsClipboardExcluded()) return;

  bool Changed = false;
  try {
    if (P.Clipboard.IsFormatAvailable(CF_HDROP_FORMAT))
      Changed = CaptureFiles();
    else if (P.Clipboard.IsFormatAvailable(CF_UNICODETEXT_FORMAT) || P.Clipboard.IsFormatAvailable(CF_TEXT_FORMAT))
      Changed = CaptureText();
    else if ((FCFPng != 0 && P.Clipboard.IsFormatAvailable(FCFPng)) || P.Clipboard.IsFormatAvailable(CF_BITMAP_FORMAT))
      Changed = CaptureImage();
  } catch (const std::exception& E) {
    WriteLog(u"Capture error: " + ErrorMessage(E));
    Changed = false;
  }
  if (!Changed) return;
  RebuildView();
  RefreshGrid();
  SaveHistory();
}

bool TVellomarchFrm::IsClipboardExcluded() {
  if ((FCFExclude != 0 && P.Clipboard.IsFormatAvailable(FCFExclude)) ||
      (FCFViewerIgnore != 0 && P.Clipboard.IsFormatAvailable(FCFViewerIgnore)))
    return true;
  if (FCFCanInclude == 0 || !P.Clipboard.IsFormatAvailable(FCFCanInclude)) return false;
  try {
    TClipboardSession Session(P.Clipboard);
    if (!Session.IsOpen()) return false;
    const std::optional<TBytes> Value = P.Clipboard.GetData(FCFCanInclude);
    // The mark is a 32-bit value; a shorter block carries no answer and excludes nothing.
    if (!Value || Value->size() < 4) return false;
    return ReadU32LittleEndian(*Value) == 0;
  } catch (const std::exception&) {
    // A mark that cannot be read asks for nothing: the content is recorded as usual.
    return false;
  }
}

bool TVellomarchFrm::CaptureFiles() {
  std::optional<std::vector<std::u16string>> Paths;
  {
    TClipboardSession Session(P.Clipboard);
    if (!Session.IsOpen()) return false;
    Paths = P.Clipboard.GetDroppedFiles();
  }
  if (!Paths) return false;
  std::u16string Text;
  for (const auto& Path : *Paths)
    if (!Path.empty()) Text.append(Path).append(u"\r\n");
  while (!Text.empty() && Text.back() <= u' ') Text.pop_back();
  if (Text.empty()) return false;
  CheckCapturedFileListLength(Text.size());
  return FHistory->AddFiles(Text);
}

bool TVellomarchFrm::CaptureText() {
  for (std::size_t I = 0; I < TextReadDelays.size(); ++I) {
    P.Clock.Sleep(TextReadDelays[I]);
    std::u16string Text;
    if (!ReadClipboardText(Text)) {
      WriteLog(u"Clipboard text read failed (attempt " + IntToStr(static_cast<long long>(I) + 1) + u")");
      continue;
    }
    if (Text.empty()) return false;
    return FHistory->AddText(Text);
  }
  return false;
}

bool TVellomarchFrm::ReadClipboardText(std::u16string& AText) {
  AText.clear();
  TClipboardSession Session(P.Clipboard);
  if (!Session.IsOpen()) return false;
  std::optional<std::u16string> Text = P.Clipboard.GetUnicodeText();
  if (!Text) return false;
  if (const std::size_t Zero = Text->find(u'\0'); Zero != std::u16string::npos) Text->resize(Zero);
  // Every desktop's reader refuses a text above the bound; this holds the ones that cannot tell
  // before reading.
  CheckCapturedTextLength(Text->size());
  AText = std::move(*Text);
  return true;
}

bool TVellomarchFrm::CaptureImage() {
  P.Clock.Sleep(ImageCaptureDelay);

  TBytes Data;
  if (FCFPng != 0 && P.Clipboard.IsFormatAvailable(FCFPng)) {
    TClipboardSession Session(P.Clipboard);
    if (Session.IsOpen()) {
      if (std::optional<TBytes> Block = P.Clipboard.GetData(FCFPng)) Data = std::move(*Block);
    }
  }
  if (Data.empty() && P.Clipboard.IsFormatAvailable(CF_BITMAP_FORMAT)) {
    std::optional<TImage> Bitmap;
    {
      TClipboardSession Session(P.Clipboard);
      if (!Session.IsOpen()) throw TError(u"Cannot open clipboard to read the bitmap");
      Bitmap = P.Clipboard.GetBitmap();
    }
    if (Bitmap) {
      // The bitmap comes from another program: its size is checked before anything is allocated
      // for its encoding.
      CheckImageData(*Bitmap);
      Data = P.Imaging.EncodePng(*Bitmap);
    }
  }
  if (Data.empty()) return false;
  return FHistory->AddImage(StoreCapturedImage(Data));
}

std::u16string TVellomarchFrm::StoreCapturedImage(const TBytes& AData) {
  // A picture beyond the bounds costs nothing but reading its header.
  CheckPngHeader(AData);
  // The name depends on the content only, so a repeated image finds its earlier entry and file.
  const std::u16string Hash = LowerHex(P.Imaging.Md5(AData));
  const std::u16string Name = Hash + u".png";

  ForceFolder(ImagesDir());
  TImage Image = P.Imaging.DecodePng(AData);
  CheckImageData(Image);
  const std::u16string ImageFile = ImagesDir() + Name;
  if (!FileExists(ImageFile)) WriteFileReplacing(ImageFile, AsFileBytes(P.Imaging.EncodePng(Image)));

  ForceFolder(ResizeImagesDir());
  const std::u16string ThumbFile = ResizeImagesDir() + Hash + u".bmp";
  if (!FileExists(ThumbFile))
    WriteFileReplacing(ThumbFile,
                       AsFileBytes(P.Imaging.EncodeBmp24(P.Imaging.Thumbnail(std::move(Image), ThumbnailSize))));
  return Name;
}

} // namespace vm
