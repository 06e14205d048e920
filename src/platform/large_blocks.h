#pragma once
// Fresh memory costs a page fault per page at its first touch, and on some machines (virtual
// ones above all) a fault is dear: writing a 50 MB history document into a new block took longer
// in faults than in the writing. A system with huge pages serves such a block with a fault per
// 2 MiB instead. One source per system in src/platform/memory/, built into the core.
#include <cstddef>

namespace vm {

// Asks the system to back the untouched block [AData, AData + ASize) with huge pages where it can.
// Only advice: blocks too small to hold a huge page, and systems without them, are left as they are.
void AdviseLargeBlock(void* AData, std::size_t ASize);

} // namespace vm
