#include "platform/linux/heap_limits.h"

#include <malloc.h>

namespace vm {

// A clipboard item costs several large blocks for a moment: the bytes from the other program,
// the decoded text or picture, the history document and its encrypted copy. glibc serves a block
// of at least M_MMAP_THRESHOLD bytes with a mapping of its own, returned to the system the moment
// it is freed; a smaller one comes from the heap, which keeps freed memory. The threshold starts
// at 128 KiB but rises to the size of every mapped block freed, up to 32 MiB, so after the first
// large item the blocks of every later one would come from the heap and stay with the process.
// Setting the threshold fixes it (and the trim threshold with it): every block of 1 MiB or more
// goes back as soon as it is freed, on whichever path it was allocated, with no call needed after
// each capture. The price, a fresh mapping per large block, is small beside the work on the block.
void KeepLargeBlocksOutOfTheHeap() { mallopt(M_MMAP_THRESHOLD, 1024 * 1024); }

} // namespace vm
