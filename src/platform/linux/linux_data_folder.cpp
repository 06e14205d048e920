#include "platform/linux/linux_data_folder.h"

#include <fcntl.h>
#include <unistd.h>

#include <system_error>

#include "platform/linux/xdg_folders.h"
#include "support/error.h"
#include "support/text.h"

namespace vm {
namespace fs = std::filesystem;

namespace {

bool IsWritableFolder(const fs::path& AFolder) {
  std::error_code Ec;
  if (!fs::is_directory(AFolder, Ec)) return false;
  // The effective user decides, as it does for the files the program will create there.
  return ::faccessat(AT_FDCWD, AFolder.c_str(), W_OK | X_OK, AT_EACCESS) == 0;
}

// The folders a package manager or an administrator installs programs into. /bin and /sbin are
// the same folders on systems that have not merged them into /usr yet.
bool IsSystemFolder(const fs::path& AFolder) {
  const fs::path Normal = AFolder.lexically_normal();
  auto Part = Normal.begin();
  if (Part == Normal.end() || *Part != "/" || ++Part == Normal.end()) return false;
  return *Part == "usr" || *Part == "opt" || *Part == "bin" || *Part == "sbin";
}

bool IsPortableFolder(const fs::path& AFolder) { return !IsSystemFolder(AFolder) && IsWritableFolder(AFolder); }

} // namespace

std::u16string DataFolderParentFor(const fs::path& AExecutableFolder) {
  const fs::path Parent = IsPortableFolder(AExecutableFolder) ? AExecutableFolder : XdgDataHome();
  return Utf8ToUtf16(Parent.string());
}

std::u16string LinuxDataFolderParent() {
  std::error_code Ec;
  const fs::path Executable = fs::read_symlink("/proc/self/exe", Ec);
  if (Ec) return Utf8ToUtf16(XdgDataHome().string());
  return DataFolderParentFor(Executable.parent_path());
}

} // namespace vm
