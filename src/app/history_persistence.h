#pragma once
// Where the main window keeps the history, and the one way it saves it.
#include <string>

namespace vm {

class TClipHistory;

// BaseDir() + "VellomarchData.dat".
std::u16string DataFilePath();

// Saves AHistory to DataFilePath(). A failure is logged as "History save failed: " + message
// and reported by the result; it never raises and leaves the history in memory as it was.
bool SaveHistory(const TClipHistory& AHistory) noexcept;

} // namespace vm
