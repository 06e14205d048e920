#pragma once
// The clipboard history: an ordered, bounded list that owns its entries. Pinned entries stand
// above the unpinned ones; among the unpinned ones the last added or used is first.
#include <memory>
#include <string>
#include <vector>

#include "history/clip_item.h"

namespace vm {

class IDataProtection;

// The owning list behind TClipHistory::Items(). Other parts read entries, append at the bottom
// (the file loader and the legacy import) and clear without touching image files; every other
// change goes through TClipHistory so that the order and the image files stay consistent.
class TClipItemList {
public:
  int Count() const { return static_cast<int>(FItems.size()); }
  // The caller checks AIndex against Count().
  const TClipItem& operator[](int AIndex) const { return *FItems[static_cast<std::size_t>(AIndex)]; }
  const TClipItem& Item(int AIndex) const { return (*this)[AIndex]; }

  void Add(std::unique_ptr<TClipItem> AItem) { FItems.push_back(std::move(AItem)); }
  void Add(const TClipItem& AItem) { Add(std::make_unique<TClipItem>(AItem)); }
  // Frees every entry; deletes no image file (unlike TClipHistory::Clear).
  void Clear() { FItems.clear(); }

private:
  friend class TClipHistory;
  std::vector<std::unique_ptr<TClipItem>> FItems;
};

class TClipHistory {
public:
  // AProtection protects the history file for the current user; it must outlive the history.
  explicit TClipHistory(IDataProtection& AProtection);
  TClipHistory(const TClipHistory&) = delete;
  TClipHistory& operator=(const TClipHistory&) = delete;
  // Frees the entries; deletes no file.
  ~TClipHistory() = default;

  TClipItemList& Items() { return FItems; }
  const TClipItemList& Items() const { return FItems; }

  // Writing does not trim; TrimToMax does.
  int MaxItems() const { return FMaxItems; }
  void SetMaxItems(int AValue) { FMaxItems = AValue; }

  // True when an entry was added, or an equal unpinned entry was moved to the first unpinned
  // position; false for an empty argument or when the equal entry is pinned.
  bool AddText(const std::u16string& S);
  bool AddImage(const std::u16string& AFileName);
  bool AddFiles(const std::u16string& APathsCRLF);

  void MoveToTop(int Index);
  void TogglePin(int Index);
  void Delete(int Index);
  void Clear();
  void TrimToMax();

  // The protected history file (history_file.cpp). SaveToFile raises the error of the first
  // step that fails; LoadFromFile never raises: it logs, keeps a ".broken" copy and starts empty.
  // When that copy could not be made, SaveToFile makes it first, and raises rather than replace
  // the file without it. LoadFromFile returns false only for a file whose key cannot be had in
  // this session (TKeyUnavailable): logged, not copied, the history empty; the caller must then
  // not save over it.
  void SaveToFile(const std::u16string& AFile) const;
  bool LoadFromFile(const std::u16string& AFile);

  // Appends the entries of the old plain-text files, then trims (legacy_import.cpp).
  // Raises when a file cannot be read or is not valid UTF-8; nothing is appended then.
  void MigrateFromLegacy(const std::u16string& ATextFile, const std::u16string& AImageListFile);

private:
  bool AddOrReuse(TClipItemType AType, const std::u16string& AValue);
  int FirstUnpinnedIndex() const;
  int CountImageRefs(const std::u16string& AName) const;
  void DeleteImageFiles(const std::u16string& AName);
  void RemoveAt(int Index);

  IDataProtection& FProtection;
  TClipItemList FItems;
  int FMaxItems = 30;
  // A file that failed to load and could not be copied aside: until a save manages the copy,
  // the file is the only one the user has, so no save replaces it.
  mutable std::u16string FUncopiedBrokenFile;
};

} // namespace vm
