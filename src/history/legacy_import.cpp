#include "history/legacy_import.h"

#include <filesystem>

#include "history/clip_history.h"
#include "history/file_access.h"
#include "history/history_file.h"
#include "support/data_folders.h"
#include "support/text.h"

namespace vm {
namespace {

std::u16string TrimControlsAndSpaces(const std::u16string& AText) {
  std::size_t First = 0;
  std::size_t Last = AText.size();
  while (First < Last && AText[First] <= u' ') ++First;
  while (Last > First && AText[Last - 1] <= u' ') --Last;
  return AText.substr(First, Last - First);
}

// Never replaces an existing file; the outcome does not matter to anyone.
void RenameToBackupQuietly(const std::u16string& AFile) {
  try {
    if (!FileExists(AFile)) return;
    const std::u16string Backup = AFile + std::u16string(LegacyBackupSuffix);
    std::error_code Ec;
    if (std::filesystem::exists(FsPath(Backup), Ec) || Ec) return;
    std::filesystem::rename(FsPath(AFile), FsPath(Backup), Ec);
  } catch (...) {
  }
}

} // namespace

std::vector<std::u16string> ReadLegacyLines(const std::u16string& AFile) {
  if (!FileExists(AFile)) return {};
  std::string_view Bytes;
  const std::string Content = ReadWholeFile(AFile);
  Bytes = Content;
  if (Bytes.substr(0, 3) == "\xEF\xBB\xBF") Bytes.remove_prefix(3);
  return SplitLines(Utf8ToUtf16(Bytes));
}

void TClipHistory::MigrateFromLegacy(const std::u16string& ATextFile, const std::u16string& AImageListFile) {
  // Both files are read completely before the first entry is added, so a bad file adds nothing.
  const std::vector<std::u16string> Texts = ReadLegacyLines(ATextFile);
  const std::vector<std::u16string> Images = ReadLegacyLines(AImageListFile);
  const std::size_t Count = std::max(Texts.size(), Images.size());
  for (std::size_t K = 0; K < Count; ++K) {
    const std::u16string Text = K < Texts.size() ? ReplaceAll(Texts[K], u"\\n", u"\r\n") : std::u16string();
    const std::u16string Image = K < Images.size() ? TrimControlsAndSpaces(Images[K]) : std::u16string();
    auto Item = std::make_unique<TClipItem>();
    if (!Image.empty()) {
      Item->ItemType = citImage;
      Item->ImageFile = Image;
    } else if (!Text.empty()) {
      Item->ItemType = citText;
      Item->Text = Text;
    } else {
      continue;
    }
    FItems.Add(std::move(Item));
  }
  TrimToMax();
}

bool LoadOrImportHistory(TClipHistory& AHistory, const std::function<bool()>& ASaveHistory) {
  const std::u16string Base = BaseDir();
  const std::u16string DataFile = Base + std::u16string(HistoryFileName);
  if (FileExists(DataFile)) return AHistory.LoadFromFile(DataFile);
  const std::u16string TextFile = Base + std::u16string(LegacyTextFileName);
  const std::u16string ImageListFile = Base + std::u16string(LegacyImageListFileName);
  if (!FileExists(TextFile) && !FileExists(ImageListFile)) return true;
  AHistory.MigrateFromLegacy(TextFile, ImageListFile);
  // Until the imported history is safely in the new file, the old files are its only copy.
  if (!ASaveHistory()) return true;
  RenameToBackupQuietly(TextFile);
  RenameToBackupQuietly(ImageListFile);
  return true;
}

} // namespace vm
