#pragma once
// The plain-text history files used before the protected history file existed, imported once.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vm {

class TClipHistory;

inline constexpr std::u16string_view LegacyTextFileName = u"VellomarchData.txt";
inline constexpr std::u16string_view LegacyImageListFileName = u"VellomarchImage.txt";
inline constexpr std::u16string_view LegacyBackupSuffix = u".bak";

// The lines of a legacy file: strict UTF-8, byte-order mark skipped, split at CR LF, LF or CR.
// A missing file has no lines. Raises TError when the file cannot be read or is not UTF-8.
std::vector<std::u16string> ReadLegacyLines(const std::u16string& AFile);

// Start-up: load BaseDir() + "VellomarchData.dat" when it exists; otherwise, when a legacy file
// exists, import the legacy files, save through ASaveHistory and, only when it reports success,
// rename the legacy files to their ".bak" names. A failed save leaves them in place so that
// the next start imports them again. Errors of the import itself reach the caller. Returns false
// when the history file was left unread because its key cannot be had now (LoadFromFile).
bool LoadOrImportHistory(TClipHistory& AHistory, const std::function<bool()>& ASaveHistory);

} // namespace vm
