#include "platform/linux/xdg_folders.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "support/error.h"

namespace vm {
namespace {

std::filesystem::path AbsoluteFromEnvironment(const char* AName) {
  const char* Value = std::getenv(AName);
  if (Value == nullptr || Value[0] != '/') return {};
  return std::filesystem::path(Value);
}

std::filesystem::path HomeFromUserDatabase() {
  long Size = sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> Buffer(Size > 0 ? static_cast<std::size_t>(Size) : 16384);
  passwd Entry{};
  passwd* Found = nullptr;
  if (getpwuid_r(geteuid(), &Entry, Buffer.data(), Buffer.size(), &Found) != 0 || Found == nullptr ||
      Found->pw_dir == nullptr || Found->pw_dir[0] != '/')
    return {};
  return std::filesystem::path(Found->pw_dir);
}

} // namespace

std::filesystem::path UserHomeFolder() {
  std::filesystem::path Home = AbsoluteFromEnvironment("HOME");
  if (Home.empty()) Home = HomeFromUserDatabase();
  if (Home.empty()) throw TError(u"Cannot determine the home folder: HOME is not set and the user has no home folder");
  return Home;
}

std::filesystem::path XdgConfigHome() {
  std::filesystem::path Folder = AbsoluteFromEnvironment("XDG_CONFIG_HOME");
  return Folder.empty() ? UserHomeFolder() / ".config" : Folder;
}

std::filesystem::path XdgDataHome() {
  std::filesystem::path Folder = AbsoluteFromEnvironment("XDG_DATA_HOME");
  return Folder.empty() ? UserHomeFolder() / ".local" / "share" : Folder;
}

} // namespace vm
