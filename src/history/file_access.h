#pragma once
// Whole-file reads and writes of the history store, with the platform's text for a failure.
#include <string>
#include <string_view>
#include <system_error>

namespace vm {

// The platform's text for an error, without trailing spaces, line breaks and full stops.
std::u16string SystemErrorText(const std::error_code& AError);

// Reads the whole file; raises TError with the platform's text when it cannot be read.
std::string ReadWholeFile(const std::u16string& AFile);

// Who may read and write the file that WriteFileReplacing leaves.
enum TFileAccess {
  faOwnerOnly,    // its owner only, whatever the replaced file allowed (the history file)
  faKeepExisting, // as the replaced file allowed, which the user may have chosen; owner only
                  // for a new file (the settings file)
};

// Replaces AFile's content with AData as one step that survives a crash and a power loss: the
// data goes to a temporary file in the same folder, is flushed to the disk, and the temporary
// file is renamed over AFile, the rename being flushed too. AFile thus holds either the old
// content or the new, never a damaged one. Access modes apply where the system has them (POSIX).
// Raises TError; before the rename AFile is untouched and the temporary file is removed.
void WriteFileReplacing(const std::u16string& AFile, std::string_view AData, TFileAccess AAccess = faOwnerOnly);

// Deletes AFile when it exists as a file; raises TError with the platform's text on failure.
void DeleteFileIfExists(const std::u16string& AFile);

} // namespace vm
