#include "history/file_access.h"

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>

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

void WriteFileReplacing(const std::u16string& AFile, std::string_view AData) {
  const std::u16string Temp = AFile + u".tmp";
  {
    errno = 0;
    std::ofstream Out(FsPath(Temp), std::ios::binary | std::ios::trunc);
    if (!Out) throw TError(u"Cannot create file \"" + Temp + u"\": " + ErrnoText(errno));
    // Owner only, before any data is in the file. On Windows this merely clears read-only;
    // the content is protected for the user anyway.
    std::error_code Ec;
    fs::permissions(FsPath(Temp), fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::replace, Ec);
    if (Ec) {
      Out.close();
      RemoveQuietly(Temp);
      throw TError(u"Cannot restrict access to file \"" + Temp + u"\": " + SystemErrorText(Ec));
    }
    errno = 0;
    Out.write(AData.data(), static_cast<std::streamsize>(AData.size()));
    Out.close();
    if (Out.fail()) {
      const int Saved = errno;
      RemoveQuietly(Temp);
      throw TError(u"Cannot write file \"" + Temp + u"\": " + ErrnoText(Saved));
    }
  }
  std::error_code Ec;
  fs::rename(FsPath(Temp), FsPath(AFile), Ec);
  if (Ec) {
    RemoveQuietly(Temp);
    throw TError(u"Cannot replace file \"" + AFile + u"\": " + SystemErrorText(Ec));
  }
}

void DeleteFileIfExists(const std::u16string& AFile) {
  if (!FileExists(AFile)) return;
  std::error_code Ec;
  if (!fs::remove(FsPath(AFile), Ec) && Ec) throw TError(SystemErrorText(Ec));
}

} // namespace vm
