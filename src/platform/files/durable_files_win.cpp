// Windows: WriteFile and FlushFileBuffers, then MoveFileExW with write-through, which returns
// only once the move is on the disk (Windows has no flush of a folder's entries).
#include "platform/durable_files.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>

#include "support/data_folders.h"

namespace vm {
namespace {

TDiskResult Failure(TDiskStep AStep) {
  const DWORD Code = GetLastError();
  return {AStep, std::error_code(static_cast<int>(Code != 0 ? Code : ERROR_GEN_FAILURE), std::system_category())};
}

} // namespace

// Windows has no mode bits beyond read-only; the file gets the folder's inherited access.
TDiskResult WriteFileToDisk(const std::u16string& AFile, std::string_view AData, std::filesystem::perms) {
  const HANDLE File = CreateFileW(FsPath(AFile).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (File == INVALID_HANDLE_VALUE) return Failure(dsCreate);
  TDiskResult Result;
  for (std::size_t Done = 0; !Result.Failed() && Done < AData.size();) {
    const DWORD Chunk = static_cast<DWORD>(std::min<std::size_t>(AData.size() - Done, 1u << 30));
    DWORD Written = 0;
    if (!WriteFile(File, AData.data() + Done, Chunk, &Written, nullptr) || Written == 0) Result = Failure(dsWrite);
    else Done += Written;
  }
  if (!Result.Failed() && !FlushFileBuffers(File)) Result = Failure(dsFlush);
  if (!CloseHandle(File) && !Result.Failed()) Result = Failure(dsWrite);
  return Result;
}

TDiskResult RenameOnDisk(const std::u16string& ASource, const std::u16string& ATarget) {
  if (!MoveFileExW(FsPath(ASource).c_str(), FsPath(ATarget).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return Failure(dsRename);
  return {};
}

} // namespace vm
