#include "app/history_persistence.h"

#include "history/clip_history.h"
#include "history/history_file.h"
#include "support/data_folders.h"
#include "support/error.h"
#include "support/log.h"

namespace vm {

std::u16string DataFilePath() { return BaseDir() + std::u16string(HistoryFileName); }

bool SaveHistory(const TClipHistory& AHistory) noexcept {
  try {
    AHistory.SaveToFile(DataFilePath());
    return true;
  } catch (const std::exception& E) {
    WriteLog(u"History save failed: " + ErrorMessage(E));
  } catch (...) {
    WriteLog(u"History save failed: unknown error");
  }
  return false;
}

} // namespace vm
