// What another program offers as copied files on Linux: text/uri-list and GNOME's
// x-special/gnome-copied-files, mapped to local paths. Any bytes give some list of paths, each
// non-empty; and a list of paths written as file URLs, as the program itself offers them, reads
// back as those paths.
#include <QByteArray>
#include <QUrl>

#include <cstdint>

#include "fuzz_support.h"
#include "platform/linux/qt_clipboard.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* AData, std::size_t ASize) {
  const QByteArray Bytes(reinterpret_cast<const char*>(AData), static_cast<qsizetype>(ASize));
  for (const std::u16string& Path : vm::LocalPathsOfUriList(Bytes)) FUZZ_CHECK(!Path.empty());
  for (const std::u16string& Path : vm::LocalPathsOfGnomeFiles(Bytes)) FUZZ_CHECK(!Path.empty());

  // The input's lines taken as absolute paths, written as the clipboard writes a file list. A
  // path that starts with "//" names a network share in a URL (file://host/...); the file
  // managers never give one with more slashes, and QUrl cannot write one.
  std::vector<std::u16string> Paths;
  QByteArray UriList;
  for (QByteArray Line : Bytes.split('\n')) {
    while (Line.startsWith('/')) Line.remove(0, 1);
    const QString Path = QLatin1Char('/') + QString::fromUtf8(Line);
    if (Path.contains(QChar(0)) || Path.contains(QLatin1Char('\r')) || Path != Path.trimmed()) continue;
    Paths.push_back(Path.toStdU16String());
    UriList += QUrl::fromLocalFile(Path).toEncoded() + "\r\n";
  }
  const std::vector<std::u16string> Read = vm::LocalPathsOfUriList(UriList);
  if (Read != Paths) {
    for (std::size_t I = 0; I < Paths.size(); ++I)
      std::fprintf(stderr, "path %zu: %s\n", I, QString::fromStdU16String(Paths[I]).toUtf8().constData());
    std::fprintf(stderr, "uri list: %s\n", UriList.constData());
  }
  FUZZ_CHECK(Read == Paths);
  FUZZ_CHECK(vm::LocalPathsOfGnomeFiles("copy\n" + UriList) == Paths);
  return 0;
}
