// Painting plans for the grid's cells and the thumbnail cache behind the image rows.
#include "app/vellomarch_frm.h"
#include "history/clip_history.h"
#include "history/file_access.h"
#include "support/data_folders.h"

namespace vm {
namespace {

// The text sits a little away from the cell's left line.
constexpr int CellTextIndent = 3;

// a1b2.png -> a1b2.bmp; a name without a dot gets ".bmp" appended.
std::u16string ThumbnailFileName(const std::u16string& AImageFile) {
  const std::size_t Dot = AImageFile.rfind(u'.');
  return (Dot == std::u16string::npos ? AImageFile : AImageFile.substr(0, Dot)) + u".bmp";
}

} // namespace

TCellPaint TVellomarchFrm::ClipHistoryGridDrawCell(int ACol, int ARow, const TRect& ARect) {
  TCellPaint Paint;
  const int ViewCount = static_cast<int>(FView.size());
  const bool OnEntry = ARow >= 0 && ARow < ViewCount;
  // Both cells of the current row pass this test, so the whole row shows as selected; the
  // blank row of an empty view never does.
  if (OnEntry && ARow == P.Popup.CurrentRow()) {
    Paint.Background = TColorRole::Highlight;
    Paint.TextColor = TColorRole::HighlightText;
  } else {
    Paint.Background = TColorRole::WindowBackground;
    Paint.TextColor = TColorRole::Black;
  }
  if (!OnEntry || !FHistory) return Paint;
  const int Index = FView[static_cast<std::size_t>(ARow)];
  if (Index < 0 || Index >= FHistory->Items().Count()) return Paint;
  const TClipItem& Item = FHistory->Items()[Index];

  if (ACol == 1 && Item.ItemType == citImage) {
    const TImage* Thumb = GetThumbnail(Item.ImageFile);
    if (!Thumb) return Paint;
    Paint.Thumbnail = Thumb;
    // Integer division truncates toward zero, also for a picture larger than the cell.
    Paint.ThumbnailPos = {ARect.Left + (ARect.Width() - Thumb->Width) / 2,
                          ARect.Top + (ARect.Height() - Thumb->Height) / 2};
    return Paint;
  }

  Paint.Text = P.Popup.Cell(ACol, ARow);
  if (Paint.Text.empty()) return Paint;
  Paint.TextRect = ARect;
  Paint.TextRect.Left += CellTextIndent;
  return Paint;
}

const TImage* TVellomarchFrm::GetThumbnail(const std::u16string& AKey) {
  const auto Cached = FThumbCache.find(AKey);
  if (Cached != FThumbCache.end()) return Cached->second.get();
  // Image names come from the history file, which anyone may have edited: only a plain name is
  // joined to the thumbnail folder, so a row can never show a picture from elsewhere.
  if (AKey.empty() || !IsBareFileName(AKey)) return nullptr;
  const std::u16string Path = ResizeImagesDir() + ThumbnailFileName(AKey);
  // Missing or unreadable: the cell stays blank and the next repaint looks again. Nothing is
  // cached and nothing is logged, as a repaint may come many times a second.
  if (!FileExists(Path)) return nullptr;
  try {
    const std::string Bytes = ReadWholeFile(Path);
    auto Thumb = std::make_unique<TImage>(P.Imaging.DecodeBmp(TBytes(Bytes.begin(), Bytes.end())));
    const TImage* Result = Thumb.get();
    FThumbCache.emplace(AKey, std::move(Thumb));
    return Result;
  } catch (const std::exception&) {
    return nullptr;
  }
}

} // namespace vm
