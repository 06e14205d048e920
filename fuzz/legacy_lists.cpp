// The two plain-text history files of older versions, imported through MigrateFromLegacy from
// real files. The input is the text list, then a zero byte and the image list (no zero byte: no
// image list; nothing before it: no text list). Either may hold any bytes; the import either
// refuses the files or builds a history within its maximum, and it never deletes a file
// outside the image folders, whatever names the image list holds.
#include <cstdint>
#include <fstream>

#include "fakes/fake_data_protection.h"
#include "fuzz_support.h"
#include "history/clip_history.h"
#include "history/legacy_import.h"
#include "support/data_folders.h"
#include "support/error.h"

namespace {

namespace fs = std::filesystem;

constexpr int MaxItems = 5;

void WriteOrRemove(const std::u16string& AFile, bool AExists, std::string_view ABytes) {
  std::error_code Ec;
  fs::remove(vm::FsPath(AFile), Ec);
  if (!AExists) return;
  std::ofstream Out(vm::FsPath(AFile), std::ios::binary);
  Out.write(ABytes.data(), static_cast<std::streamsize>(ABytes.size()));
}

// Files beside the image folders that an image name must never reach.
const std::vector<fs::path>& Bystanders() {
  static const std::vector<fs::path>* const Files = [] {
    vm::SetDataFolderParent(vm::fuzz::ScratchFolder().u16string());
    vm::ForceDirectories(vm::ImagesDir());
    vm::ForceDirectories(vm::ResizeImagesDir());
    auto* List = new std::vector<fs::path>{vm::fuzz::ScratchFolder() / "keep.png", vm::FsPath(vm::BaseDir()) / "keep.png",
                                           vm::FsPath(vm::BaseDir()) / "keep.bmp"};
    for (const fs::path& File : *List) std::ofstream(File) << "keep";
    return List;
  }();
  return *Files;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* AData, std::size_t ASize) {
  const std::vector<fs::path>& Keep = Bystanders();
  const std::string_view Input = vm::fuzz::AsChars(AData, ASize);
  const std::size_t Zero = Input.find('\0');
  const std::u16string TextFile = vm::BaseDir() + std::u16string(vm::LegacyTextFileName);
  const std::u16string ImageFile = vm::BaseDir() + std::u16string(vm::LegacyImageListFileName);
  WriteOrRemove(TextFile, Zero != 0, Input.substr(0, Zero));
  WriteOrRemove(ImageFile, Zero != std::string_view::npos, Zero == std::string_view::npos ? "" : Input.substr(Zero + 1));

  vm::test::TFakeDataProtection Protection;
  vm::TClipHistory History(Protection);
  History.SetMaxItems(MaxItems);
  try {
    History.MigrateFromLegacy(TextFile, ImageFile);
  } catch (const vm::TError&) {
    FUZZ_CHECK(History.Items().Count() == 0); // a refused file adds nothing
  }
  FUZZ_CHECK(History.Items().Count() <= MaxItems);
  for (int I = 0; I < History.Items().Count(); ++I) {
    const vm::TClipItem& Item = History.Items()[I];
    FUZZ_CHECK(!Item.Pinned);
    if (Item.ItemType == vm::citImage)
      FUZZ_CHECK(Item.Text.empty() && !Item.ImageFile.empty() && Item.ImageFile.front() > u' ' &&
                 Item.ImageFile.back() > u' ');
    else
      FUZZ_CHECK(Item.ItemType == vm::citText && !Item.Text.empty() && Item.ImageFile.empty());
  }
  for (const fs::path& File : Keep) FUZZ_CHECK(fs::exists(File));
  return 0;
}
