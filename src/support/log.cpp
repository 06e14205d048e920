#include "support/log.h"

#include <fstream>

#include "platform/clock.h"
#include "support/data_folders.h"
#include "support/text.h"
#include "templates/date_format.h"

namespace vm {
namespace {

IClock*& LogClock() {
  static IClock* Clock = nullptr;
  return Clock;
}

IClock& CurrentClock() { return LogClock() ? *LogClock() : SystemClock(); }

bool AppendOnce(const std::u16string& AFolder, const std::u16string& AFile, const std::string& ALine) {
  try {
    if (!DirectoryExists(AFolder)) ForceDirectories(AFolder);
    std::ofstream Out(FsPath(AFile), std::ios::binary | std::ios::app);
    if (!Out) return false;
    Out.write(ALine.data(), static_cast<std::streamsize>(ALine.size()));
    Out.close();
    return !Out.fail();
  } catch (...) {
    return false;
  }
}

} // namespace

void SetLogClock(IClock* AClock) { LogClock() = AClock; }
IClock* CurrentLogClock() { return LogClock(); }

void WriteLog(const std::u16string& AMessage) noexcept {
  try {
    IClock& Clock = CurrentClock();
    const TDateTime Now = Clock.Now();
    const TFormatSettings& Regional = RegionalSettings();
    const std::u16string Folder = LogDir();
    const std::u16string File = Folder + FormatDateTime(u"yyyymmdd", Now, Regional) + u"_Vellomarch.log";
    const std::string Line =
        Utf16ToUtf8(FormatDateTime(u"yyyy/mm/dd hh:nn:ss:zzz", Now, Regional) + u"  " + AMessage + u"\r\n");
    for (int Attempt = 0; Attempt < 3; ++Attempt) {
      if (AppendOnce(Folder, File, Line)) return;
      Clock.Sleep(200);
    }
  } catch (...) {
    // Logging never interrupts the operation that logs.
  }
}

} // namespace vm
