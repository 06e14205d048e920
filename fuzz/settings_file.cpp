// The settings file "VellomarchData.ini", read by LoadSettings from a real file. Any bytes load
// (unknown or unreadable values take their defaults); and once a save has written the settings
// back, the file is settled: saving and loading again changes nothing.
#include <cstdint>
#include <fstream>

#include "app/settings.h"
#include "fuzz_support.h"
#include "support/data_folders.h"

namespace {

bool SameSettings(const vm::TSettings& A, const vm::TSettings& B) {
  return A.MaxItems == B.MaxItems && A.FormWidth == B.FormWidth && A.RowHeight == B.RowHeight &&
         A.ShowShortcut == B.ShowShortcut && A.QuitShortcut == B.QuitShortcut && A.TeikeiName == B.TeikeiName &&
         A.Teikeibun == B.Teikeibun && A.TeikeiImgName == B.TeikeiImgName && A.TeikeiImg == B.TeikeiImg;
}

std::string FileBytes(const std::u16string& AFile) {
  std::ifstream In(vm::FsPath(AFile), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(In), {});
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  vm::SetDataFolderParent(vm::fuzz::ScratchFolder().u16string());
  vm::ForceDirectories(vm::BaseDir());
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* AData, std::size_t ASize) {
  const std::u16string File = vm::IniFilePath();
  {
    std::ofstream Out(vm::FsPath(File), std::ios::binary | std::ios::trunc);
    Out.write(reinterpret_cast<const char*>(AData), static_cast<std::streamsize>(ASize));
  }
  vm::TSettings Loaded;
  vm::LoadSettings(Loaded);
  FUZZ_CHECK(Loaded.ShowShortcut != 0);
  FUZZ_CHECK(Loaded.TeikeiName.size() == Loaded.Teikeibun.size());
  FUZZ_CHECK(Loaded.TeikeiImgName.size() == Loaded.TeikeiImg.size());

  vm::SaveSettings(Loaded);
  vm::TSettings Saved;
  vm::LoadSettings(Saved);
  const std::string Written = FileBytes(File);
  vm::SaveSettings(Saved);
  vm::TSettings Again;
  vm::LoadSettings(Again);
  FUZZ_CHECK(SameSettings(Saved, Again));
  FUZZ_CHECK(FileBytes(File) == Written);
  return 0;
}
