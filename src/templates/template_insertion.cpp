// The timestamp, text templates and image templates of the item menu: content that does not
// come from the history, pasted where the user was typing and never recorded.
#include "app/vellomarch_frm.h"
#include "clipboard/image_data.h"
#include "support/error.h"
#include "support/log.h"
#include "templates/date_format.h"
#include "templates/expand_template.h"

namespace vm {
namespace {

constexpr char16_t TimeStampPattern[] = u"yyyy/mm/dd hh:nn";

// The extension from the last "." of the file name, dot included; empty when the name has none.
// Both kinds of path separator end the search, so "C:\x.d\file" has no extension on any desktop.
std::u16string ExtractFileExt(const std::u16string& APath) {
  const std::size_t Pos = APath.find_last_of(u".\\/:");
  if (Pos == std::u16string::npos || APath[Pos] != u'.') return {};
  return APath.substr(Pos);
}

} // namespace

void TVellomarchFrm::InsertTimeStamp() {
  FIgnoreClipUpdate = true;
  try {
    WriteClipboardText(FormatDateTime(TimeStampPattern, P.Clock.Now(), RegionalSettings()));
  } catch (...) {
    // No update of our own follows a failed write; the user's next copy must not be skipped.
    // The error itself goes on to the standard error box.
    FIgnoreClipUpdate = false;
    throw;
  }
  HidePopup();
  SendPasteToTarget();
}

void TVellomarchFrm::InsertTextTemplate(int ATag) {
  if (ATag < 0 || static_cast<std::size_t>(ATag) >= FTeikeibun.size()) return;
  FIgnoreClipUpdate = true;
  try {
    // Expanded before the write, so that {clipboard} sees the content from before this command.
    WriteClipboardText(ExpandTemplate(FTeikeibun[static_cast<std::size_t>(ATag)], P.Clock, P.Clipboard));
  } catch (...) {
    FIgnoreClipUpdate = false;
    throw;
  }
  HidePopup();
  SendPasteToTarget();
}

void TVellomarchFrm::InsertImageTemplate(int ATag) {
  if (ATag < 0 || static_cast<std::size_t>(ATag) >= FTeikeiImg.size()) return;
  const std::u16string Path = FTeikeiImg[static_cast<std::size_t>(ATag)];
  FIgnoreClipUpdate = true;
  try {
    if (SameTextAscii(ExtractFileExt(Path), u".png")) {
      PutImageOnClipboard(ReadPngFile(Path));
    } else {
      const std::optional<TImage> Image = LoadImageFile(Path);
      if (!Image) {
        FIgnoreClipUpdate = false;
        return;
      }
      PutImageOnClipboard(*Image);
    }
  } catch (const std::exception& E) {
    FIgnoreClipUpdate = false;
    WriteLog(u"Image template failed: " + ErrorMessage(E));
    return;
  }
  HidePopup();
  SendPasteToTarget();
}

std::optional<TImage> TVellomarchFrm::LoadImageFile(const std::u16string& AFileName) {
  try {
    TImage Image = P.Imaging.LoadImageFile(AFileName);
    CheckImageData(Image);
    return Image;
  } catch (const std::exception& E) {
    WriteLog(u"Failed to load image file: " + AFileName + u" (" + ErrorMessage(E) + u")");
    return std::nullopt;
  }
}

} // namespace vm
