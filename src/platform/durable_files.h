#pragma once
// What a file replacement that survives a power loss needs from the operating system beyond
// std::filesystem: the new file's data forced to the disk before it takes the old file's name,
// and the new name itself made durable. One source per system in src/platform/files/, built
// into the core; WriteFileReplacing (history/file_access.h) is the one caller.
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

namespace vm {

// The step of a durable write that failed.
enum TDiskStep { dsNone, dsCreate, dsWrite, dsFlush, dsRename, dsFlushFolder };

struct TDiskResult {
  TDiskStep FailedStep = dsNone;
  std::error_code Error; // the system's error of the failed step
  bool Failed() const { return FailedStep != dsNone; }
};

// Creates AFile, replacing a file of that name, with exactly APermissions where the system has
// such modes (POSIX; set before any data is in the file), writes AData and flushes the data to
// the disk before closing. A file it created stays behind on failure; the caller removes it.
TDiskResult WriteFileToDisk(const std::u16string& AFile, std::string_view AData, std::filesystem::perms APermissions);

// Renames ASource over ATarget (same folder) and makes the rename durable: POSIX flushes the
// folder after the rename, Windows moves with write-through. dsFlushFolder means the rename was
// done but is not known to be on the disk.
TDiskResult RenameOnDisk(const std::u16string& ASource, const std::u16string& ATarget);

} // namespace vm
