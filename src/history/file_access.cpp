#include "history/file_access.h"

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/durable_files.h"
#include "support/data_folders.h"
#include "support/error.h"
#include "support/text.h"

namespace vm {
namespace {

namespace fs = std::filesystem;

std::u16string ErrnoText(int AErrno) {
  return SystemErrorText(std::error_code(AErrno != 0 ? AErrno : EIO, std::generic_category()));
}

void RemoveQuietly(const std::u16string& AFile) {
  std::error_code Ignored;
  fs::remove(FsPath(AFile), Ignored);
}

constexpr fs::perms OwnerOnly = fs::perms::owner_read | fs::perms::owner_write;

fs::perms PermissionsFor(const std::u16string& AFile, TFileAccess AAccess) {
  if (AAccess == faKeepExisting) {
    std::error_code Ec;
    const fs::file_status Existing = fs::status(FsPath(AFile), Ec);
    if (!Ec && fs::is_regular_file(Existing)) return Existing.permissions() & fs::perms::mask;
  }
  return OwnerOnly;
}

} // namespace

std::u16string SystemErrorText(const std::error_code& AError) {
  std::u16string Text = Utf8ToUtf16Lossy(AError.message());
  while (!Text.empty() && (Text.back() == u' ' || Text.back() == u'\r' || Text.back() == u'\n' ||
                           Text.back() == u'.'))
    Text.pop_back();
  return Text;
}

std::string ReadWholeFile(const std::u16string& AFile) {
  errno = 0;
  std::ifstream In(FsPath(AFile), std::ios::binary);
  if (!In) throw TError(u"Cannot open file \"" + AFile + u"\": " + ErrnoText(errno));
  std::ostringstream Content;
  Content << In.rdbuf();
  if (In.bad()) throw TError(u"Cannot read file \"" + AFile + u"\": " + ErrnoText(errno));
  return std::move(Content).str();
}

void WriteFileReplacing(const std::u16string& AFile, std::string_view AData, TFileAccess AAccess) {
  const std::u16string Temp = AFile + u".tmp";
  const TDiskResult Written = WriteFileToDisk(Temp, AData, PermissionsFor(AFile, AAccess));
  if (Written.Failed()) {
    RemoveQuietly(Temp);
    const std::u16string Reason = SystemErrorText(Written.Error);
    if (Written.FailedStep == dsCreate) throw TError(u"Cannot create file \"" + Temp + u"\": " + Reason);
    if (Written.FailedStep == dsFlush) throw TError(u"Cannot write file \"" + Temp + u"\" to the disk: " + Reason);
    throw TError(u"Cannot write file \"" + Temp + u"\": " + Reason);
  }
  const TDiskResult Renamed = RenameOnDisk(Temp, AFile);
  if (Renamed.Failed()) {
    const std::u16string Reason = SystemErrorText(Renamed.Error);
    if (Renamed.FailedStep == dsFlushFolder)
      throw TError(u"File \"" + AFile + u"\" was replaced but not confirmed on the disk: " + Reason);
    RemoveQuietly(Temp);
    throw TError(u"Cannot replace file \"" + AFile + u"\": " + Reason);
  }
}

void DeleteFileIfExists(const std::u16string& AFile) {
  if (!FileExists(AFile)) return;
  std::error_code Ec;
  if (!fs::remove(FsPath(AFile), Ec) && Ec) throw TError(SystemErrorText(Ec));
}

} // namespace vm
