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

// Replaces AFile's content with AData as one step: the data goes to a temporary file in the
// same folder (readable and writable by its owner only), which is then renamed over AFile, so
// a crash or a full disk leaves either the old file or the new one, never a damaged one.
// Raises TError; on failure AFile is untouched and the temporary file is removed.
void WriteFileReplacing(const std::u16string& AFile, std::string_view AData);

// Deletes AFile when it exists as a file; raises TError with the platform's text on failure.
void DeleteFileIfExists(const std::u16string& AFile);

} // namespace vm
