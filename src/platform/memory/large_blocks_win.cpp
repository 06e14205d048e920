#include "platform/large_blocks.h"

namespace vm {

// Windows gives large pages only to accounts holding the "Lock pages in memory" privilege, which a
// user program does not have: the block keeps ordinary pages.
void AdviseLargeBlock(void*, std::size_t) {}

} // namespace vm
