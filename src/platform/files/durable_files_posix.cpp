// POSIX: open/write/fsync, rename, then fsync of the folder that holds the new name.
#include "platform/durable_files.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "support/data_folders.h"

namespace vm {
namespace {

TDiskResult Failure(TDiskStep AStep, int AErrno) {
  return {AStep, std::error_code(AErrno != 0 ? AErrno : EIO, std::generic_category())};
}

} // namespace

TDiskResult WriteFileToDisk(const std::u16string& AFile, std::string_view AData, std::filesystem::perms APermissions) {
  const std::filesystem::path Path = FsPath(AFile);
  const int Fd = ::open(Path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, S_IRUSR | S_IWUSR);
  if (Fd < 0) return Failure(dsCreate, errno);
  TDiskResult Result;
  // The mode as asked, whatever the umask or an earlier file of this name left.
  if (::fchmod(Fd, static_cast<mode_t>(APermissions & std::filesystem::perms::mask)) != 0)
    Result = Failure(dsCreate, errno);
  for (std::size_t Done = 0; !Result.Failed() && Done < AData.size();) {
    const ssize_t Written = ::write(Fd, AData.data() + Done, AData.size() - Done);
    if (Written < 0 && errno == EINTR) continue;
    if (Written <= 0) Result = Failure(dsWrite, Written < 0 ? errno : EIO);
    else Done += static_cast<std::size_t>(Written);
  }
  if (!Result.Failed() && ::fsync(Fd) != 0) Result = Failure(dsFlush, errno);
  if (::close(Fd) != 0 && !Result.Failed()) Result = Failure(dsWrite, errno);
  return Result;
}

TDiskResult RenameOnDisk(const std::u16string& ASource, const std::u16string& ATarget) {
  const std::filesystem::path Target = FsPath(ATarget);
  if (::rename(FsPath(ASource).c_str(), Target.c_str()) != 0) return Failure(dsRename, errno);
  const std::filesystem::path Folder = Target.has_parent_path() ? Target.parent_path() : std::filesystem::path(".");
  const int Fd = ::open(Folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (Fd < 0) return Failure(dsFlushFolder, errno);
  TDiskResult Result;
  if (::fsync(Fd) != 0) Result = Failure(dsFlushFolder, errno);
  ::close(Fd);
  return Result;
}

} // namespace vm
