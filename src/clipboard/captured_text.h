#pragma once
// The bound on the texts and file lists taken from the clipboard. Another program decides how
// long they are, and each one is held several times over while it is read, recorded, shown and
// saved (the history file rewrites it on every later save), so one item's cost is capped by its
// length: 8 Mi UTF-16 code units, a 16 MiB string, far above any text a user copies to paste
// again, and small enough that the save after any copy stays quick.
#include <cstddef>
#include <string>

#include "support/error.h"

namespace vm {

inline constexpr std::size_t MaxCapturedTextLength = std::size_t{8} * 1024 * 1024;

// What the clipboard readers raise for a text or file list above the bound, so that a reader
// that would otherwise stay silent (the "{clipboard}" placeholder) can tell it from a busy
// clipboard.
class TTextTooLarge : public TError {
public:
  using TError::TError;
};

// Raise TTextTooLarge, naming the length, when ALength (UTF-16 code units) is above the bound.
void CheckCapturedTextLength(std::size_t ALength);
void CheckCapturedFileListLength(std::size_t ALength);

// The length of the paths joined by "\r\n", as the capture records a file list.
std::size_t JoinedFileListLength(std::size_t ATotalPathLength, std::size_t APathCount);

} // namespace vm
