#include "platform/linux/linux_data_folder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <random>
#include <string>

#include "support/text.h"

namespace vm {
namespace {

namespace fs = std::filesystem;

// Sets an environment variable for one test and puts the old value back.
class TEnvironmentVariable {
public:
  TEnvironmentVariable(const char* AName, const char* AValue) : FName(AName) {
    if (const char* Old = std::getenv(AName)) FOld = Old;
    if (AValue) ::setenv(AName, AValue, 1);
    else ::unsetenv(AName);
  }
  ~TEnvironmentVariable() {
    if (FOld) ::setenv(FName, FOld->c_str(), 1);
    else ::unsetenv(FName);
  }

private:
  const char* FName;
  std::optional<std::string> FOld;
};

class LinuxDataFolder : public ::testing::Test {
protected:
  void SetUp() override {
    FRoot = fs::temp_directory_path() / ("vellomarch-datafolder-" + std::to_string(std::random_device{}()));
    fs::create_directories(FRoot / "portable");
  }
  void TearDown() override {
    std::error_code Ec;
    fs::remove_all(FRoot, Ec);
  }
  fs::path FRoot;
};

TEST_F(LinuxDataFolder, WritableExecutableFolderKeepsTheDataBesideIt) {
  TEnvironmentVariable Data("XDG_DATA_HOME", "/xdg/data");
  EXPECT_EQ(DataFolderParentFor(FRoot / "portable"), Utf8ToUtf16((FRoot / "portable").string()));
}

TEST_F(LinuxDataFolder, FolderThatCannotBeWrittenUsesTheUsersDataFolder) {
  // The tests run as root, for whom every folder on a writable disk is writable; a folder
  // that does not exist (or a file) stands for one the user may not write to.
  const fs::path Missing = FRoot / "missing";
  {
    TEnvironmentVariable Data("XDG_DATA_HOME", "/xdg/data");
    EXPECT_EQ(DataFolderParentFor(Missing), u"/xdg/data");
  }
  {
    TEnvironmentVariable Data("XDG_DATA_HOME", nullptr);
    TEnvironmentVariable Home("HOME", "/home/someone");
    EXPECT_EQ(DataFolderParentFor(Missing), u"/home/someone/.local/share");
  }
  {
    TEnvironmentVariable Data("XDG_DATA_HOME", "not/absolute");
    TEnvironmentVariable Home("HOME", "/home/someone");
    EXPECT_EQ(DataFolderParentFor(Missing), u"/home/someone/.local/share");
  }
}

TEST_F(LinuxDataFolder, RunningProgramUsesItsOwnFolderWhenWritable) {
  // The test program lives in the build folder, which the build made writable.
  const fs::path Folder = fs::read_symlink("/proc/self/exe").parent_path();
  EXPECT_EQ(LinuxDataFolderParent(), Utf8ToUtf16(Folder.string()));
}

} // namespace
} // namespace vm
