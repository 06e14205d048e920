#pragma once
// The CF_HDROP block that hands a list of files to another program: a DROPFILES header followed
// by the paths in UTF-16. Built here to the byte, so both desktop programs put the same block.
#include <string>
#include <vector>

#include "support/text.h"

namespace vm {

// Size of the DROPFILES header and the offset at which the path list starts.
inline constexpr std::size_t DropFilesHeaderSize = 20;

// pFiles = 20, pt = (0, 0), fNC = 0, fWide = 0xFFFFFFFF, then every path in UTF-16 little endian
// followed by one zero character, and one more zero character after the last: 20 + 2 x (1 +
// sum of (length + 1)) bytes. An empty list gives the header and the final zero alone.
TBytes BuildDropFiles(const std::vector<std::u16string>& APaths);

} // namespace vm
