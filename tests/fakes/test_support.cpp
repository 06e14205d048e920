#include "test_support.h"

#include <atomic>
#include <fstream>
#include <random>
#include <sstream>

#include "fake_clock.h"
#include "support/data_folders.h"

namespace vm::test {

void TFakeClock::Sleep(int AMilliseconds) {
  Sleeps.push_back(AMilliseconds);
  ElapsedMs += AMilliseconds;
  Time.Millisecond += AMilliseconds;
  Time.Second += Time.Millisecond / 1000;
  Time.Millisecond %= 1000;
  Time.Minute += Time.Second / 60;
  Time.Second %= 60;
}

TTempDataFolder::TTempDataFolder() {
  static std::atomic<int> Counter{0};
  FRoot = std::filesystem::temp_directory_path() /
          ("vellomarch-test-" + std::to_string(std::random_device{}()) + "-" + std::to_string(Counter++));
  std::filesystem::remove_all(FRoot);
  std::filesystem::create_directories(FRoot);
  FPreviousParent = DataFolderParent();
  SetDataFolderParent(FRoot.u16string());
}

TTempDataFolder::~TTempDataFolder() {
  SetDataFolderParent(FPreviousParent);
  std::error_code Ec;
  std::filesystem::remove_all(FRoot, Ec);
}

std::string ReadFileBytes(const std::u16string& APath) {
  std::ifstream In(FsPath(APath), std::ios::binary);
  std::ostringstream S;
  S << In.rdbuf();
  return S.str();
}

void WriteFileBytes(const std::u16string& APath, const std::string& ABytes) {
  std::filesystem::create_directories(FsPath(APath).parent_path());
  std::ofstream Out(FsPath(APath), std::ios::binary | std::ios::trunc);
  Out.write(ABytes.data(), static_cast<std::streamsize>(ABytes.size()));
}

} // namespace vm::test
