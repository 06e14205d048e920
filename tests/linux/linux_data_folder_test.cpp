#include "platform/linux/linux_data_folder.h"

#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

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

// DataFolderParentFor as another user would get it: computed in a child process that has taken
// that user's ids. nullopt when the child could not switch.
std::optional<std::u16string> DataFolderParentAs(const passwd& AUser, const fs::path& AFolder) {
  int Pipe[2];
  if (::pipe(Pipe) != 0) return std::nullopt;
  const pid_t Pid = ::fork();
  if (Pid == 0) {
    ::close(Pipe[0]);
    if (::setresgid(AUser.pw_gid, AUser.pw_gid, AUser.pw_gid) != 0 ||
        ::setresuid(AUser.pw_uid, AUser.pw_uid, AUser.pw_uid) != 0)
      ::_exit(2);
    const std::string Parent = Utf16ToUtf8(DataFolderParentFor(AFolder));
    const bool Written = ::write(Pipe[1], Parent.data(), Parent.size()) == static_cast<ssize_t>(Parent.size());
    ::_exit(Written ? 0 : 3);
  }
  ::close(Pipe[1]);
  std::string Parent;
  char Buffer[512];
  for (ssize_t Got; (Got = ::read(Pipe[0], Buffer, sizeof Buffer)) > 0;) Parent.append(Buffer, static_cast<std::size_t>(Got));
  ::close(Pipe[0]);
  int Status = 0;
  if (Pid < 0 || ::waitpid(Pid, &Status, 0) != Pid || !WIFEXITED(Status) || WEXITSTATUS(Status) != 0)
    return std::nullopt;
  return Utf8ToUtf16(Parent);
}

enum class TRunAs { TestUser, Nobody };
enum class TFolder {
  UsrBin,
  UsrLocalBin,
  OptProgram,
  UsrBinInsideUserFolder, // …/usr/bin of a package unpacked in a user's folder: not the system's
  OwnedByRunner,   // a temp folder the running user owns
  OwnedByRoot,     // a temp folder only root may write to
};

struct TDataFolderCase {
  const char* Name;
  TFolder Folder;
  TRunAs RunAs;
  bool Beside; // true: the executable's folder; false: $XDG_DATA_HOME
};

const TDataFolderCase DataFolderCases[] = {
    // The tests run as root, who may write to /usr/bin: an installed copy still uses the user's folder.
    {"UsrBinAsTestUser", TFolder::UsrBin, TRunAs::TestUser, false},
    {"UsrBinAsNobody", TFolder::UsrBin, TRunAs::Nobody, false},
    {"UsrLocalBinAsTestUser", TFolder::UsrLocalBin, TRunAs::TestUser, false},
    {"OptAsTestUser", TFolder::OptProgram, TRunAs::TestUser, false},
    {"UnpackedUsrBinAsTestUser", TFolder::UsrBinInsideUserFolder, TRunAs::TestUser, true},
    {"OwnFolderAsTestUser", TFolder::OwnedByRunner, TRunAs::TestUser, true},
    {"OwnFolderAsNobody", TFolder::OwnedByRunner, TRunAs::Nobody, true},
    {"UnwritableFolderAsNobody", TFolder::OwnedByRoot, TRunAs::Nobody, false},
};

class LinuxDataFolderRule : public LinuxDataFolder, public ::testing::WithParamInterface<TDataFolderCase> {
protected:
  // The folder of the case; a real folder for the cases that depend on who may write to it.
  fs::path MakeFolder(TFolder AFolder, const passwd* ARunner) {
    switch (AFolder) {
    case TFolder::UsrBin: return "/usr/bin";
    case TFolder::UsrLocalBin: return "/usr/local/bin";
    case TFolder::OptProgram: return "/opt/vellomarch";
    case TFolder::UsrBinInsideUserFolder: {
      const fs::path Folder = FRoot / "usr" / "bin";
      fs::create_directories(Folder);
      return Folder;
    }
    case TFolder::OwnedByRunner: {
      const fs::path Folder = FRoot / "own";
      fs::create_directories(Folder);
      if (ARunner) {
        EXPECT_EQ(::chown(Folder.c_str(), ARunner->pw_uid, ARunner->pw_gid), 0);
      }
      return Folder;
    }
    case TFolder::OwnedByRoot: {
      const fs::path Folder = FRoot / "roots";
      fs::create_directories(Folder);
      fs::permissions(Folder, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                  fs::perms::others_read | fs::perms::others_exec);
      return Folder;
    }
    }
    return {};
  }
};

TEST_P(LinuxDataFolderRule, ChoosesBesideTheExecutableOnlyForAPortableCopy) {
  const TDataFolderCase& Case = GetParam();
  TEnvironmentVariable Data("XDG_DATA_HOME", "/xdg/data");
  const passwd* Nobody = nullptr;
  if (Case.RunAs == TRunAs::Nobody) {
    if (::geteuid() != 0) GTEST_SKIP() << "switching to another user needs root";
    Nobody = ::getpwnam("nobody");
    ASSERT_NE(Nobody, nullptr);
  }
  const fs::path Folder = MakeFolder(Case.Folder, Nobody);

  const std::optional<std::u16string> Parent =
      Nobody ? DataFolderParentAs(*Nobody, Folder) : std::optional(DataFolderParentFor(Folder));
  ASSERT_TRUE(Parent) << "the child could not take the user's ids";
  EXPECT_EQ(*Parent, Case.Beside ? Utf8ToUtf16(Folder.string()) : u"/xdg/data");
}

INSTANTIATE_TEST_SUITE_P(Cases, LinuxDataFolderRule, ::testing::ValuesIn(DataFolderCases),
                         [](const auto& AInfo) { return std::string(AInfo.param.Name); });

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
