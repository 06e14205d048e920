#pragma once
// Helpers shared by the core's tests: a private data folder per test, whole-file reads.
#include <filesystem>
#include <string>

#include "support/text.h"

namespace vm::test {

// A fresh temporary folder, set as the data folder's parent for the test's life.
class TTempDataFolder {
public:
  TTempDataFolder();
  ~TTempDataFolder();
  TTempDataFolder(const TTempDataFolder&) = delete;
  TTempDataFolder& operator=(const TTempDataFolder&) = delete;

  const std::filesystem::path& Root() const { return FRoot; }

private:
  std::filesystem::path FRoot;
  std::u16string FPreviousParent;
};

std::string ReadFileBytes(const std::u16string& APath);
void WriteFileBytes(const std::u16string& APath, const std::string& ABytes);

} // namespace vm::test
