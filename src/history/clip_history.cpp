#include "history/clip_history.h"

#include "history/file_access.h"
#include "support/data_folders.h"
#include "support/error.h"
#include "support/log.h"
#include "support/text.h"

namespace vm {
namespace {

// The thumbnail of a1b2.png is a1b2.bmp; a name without an extension gets ".bmp" appended.
std::u16string ThumbnailName(const std::u16string& AImageFile) {
  const std::size_t Dot = AImageFile.rfind(u'.');
  return (Dot == std::u16string::npos ? AImageFile : AImageFile.substr(0, Dot)) + u".bmp";
}

} // namespace

TClipHistory::TClipHistory(IDataProtection& AProtection) : FProtection(AProtection) {}

int TClipHistory::FirstUnpinnedIndex() const {
  const int Count = FItems.Count();
  for (int I = 0; I < Count; ++I)
    if (!FItems[I].Pinned) return I;
  return Count;
}

int TClipHistory::CountImageRefs(const std::u16string& AName) const {
  int Refs = 0;
  for (const auto& Item : FItems.FItems)
    if (Item->ItemType == citImage && SameTextAscii(Item->ImageFile, AName)) ++Refs;
  return Refs;
}

void TClipHistory::DeleteImageFiles(const std::u16string& AName) {
  if (AName.empty()) return;
  // The entry on its way out is still in the list and counts itself.
  if (CountImageRefs(AName) > 1) return;
  // Image names are read from files that anyone may have edited; only a plain name is ever
  // joined to the image folders, so an entry can never delete a file outside them.
  if (!IsBareFileName(AName)) return;
  try {
    DeleteFileIfExists(ImagesDir() + AName);
    DeleteFileIfExists(ResizeImagesDir() + ThumbnailName(AName));
  } catch (const std::exception& E) {
    WriteLog(u"Image delete failed: " + AName + u" (" + ErrorMessage(E) + u")");
  }
}

void TClipHistory::RemoveAt(int Index) {
  const TClipItem& Item = FItems[Index];
  if (Item.ItemType == citImage) DeleteImageFiles(Item.ImageFile);
  FItems.FItems.erase(FItems.FItems.begin() + Index);
}

bool TClipHistory::AddOrReuse(TClipItemType AType, const std::u16string& AValue) {
  if (AValue.empty()) return false;
  for (int I = 0; I < FItems.Count(); ++I) {
    const TClipItem& Item = FItems[I];
    if (Item.ItemType != AType) continue;
    const bool Equal = AType == citImage ? SameTextAscii(Item.ImageFile, AValue) : Item.Text == AValue;
    if (!Equal) continue;
    if (Item.Pinned) return false;
    MoveToTop(I);
    return true;
  }
  auto NewItem = std::make_unique<TClipItem>();
  NewItem->ItemType = AType;
  if (AType == citImage)
    NewItem->ImageFile = AValue;
  else
    NewItem->Text = AValue;
  FItems.FItems.insert(FItems.FItems.begin() + FirstUnpinnedIndex(), std::move(NewItem));
  TrimToMax();
  return true;
}

bool TClipHistory::AddText(const std::u16string& S) { return AddOrReuse(citText, S); }
bool TClipHistory::AddImage(const std::u16string& AFileName) { return AddOrReuse(citImage, AFileName); }
bool TClipHistory::AddFiles(const std::u16string& APathsCRLF) { return AddOrReuse(citFiles, APathsCRLF); }

void TClipHistory::MoveToTop(int Index) {
  if (Index < 0 || Index >= FItems.Count()) return;
  if (FItems[Index].Pinned) return;
  auto& List = FItems.FItems;
  std::unique_ptr<TClipItem> Item = std::move(List[static_cast<std::size_t>(Index)]);
  List.erase(List.begin() + Index);
  List.insert(List.begin() + FirstUnpinnedIndex(), std::move(Item));
}

void TClipHistory::TogglePin(int Index) {
  if (Index < 0 || Index >= FItems.Count()) return;
  auto& List = FItems.FItems;
  std::unique_ptr<TClipItem> Item = std::move(List[static_cast<std::size_t>(Index)]);
  List.erase(List.begin() + Index);
  Item->Pinned = !Item->Pinned;
  List.insert(List.begin() + FirstUnpinnedIndex(), std::move(Item));
}

void TClipHistory::Delete(int Index) {
  if (Index < 0 || Index >= FItems.Count()) return;
  RemoveAt(Index);
}

void TClipHistory::Clear() {
  // From the bottom up: a file shared by several entries goes with the last of them.
  for (int I = FItems.Count() - 1; I >= 0; --I) Delete(I);
}

void TClipHistory::TrimToMax() {
  while (FItems.Count() > FMaxItems) {
    int Last = FItems.Count() - 1;
    while (Last >= 0 && FItems[Last].Pinned) --Last;
    if (Last < 0) return;
    RemoveAt(Last);
  }
}

} // namespace vm
