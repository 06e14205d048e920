#include "platform/large_blocks.h"

#include <sys/mman.h>

#include <cstdint>

namespace vm {

void AdviseLargeBlock(void* AData, std::size_t ASize) {
#ifdef MADV_HUGEPAGE
  // Huge pages need 2 MiB-aligned addresses: the advice covers the aligned middle of the block.
  // The block is one of the allocator's own mappings (see KeepLargeBlocksOutOfTheHeap), so the
  // advice ends with it when it is freed.
  constexpr std::uintptr_t HugePage = 2 * 1024 * 1024;
  const auto Start = reinterpret_cast<std::uintptr_t>(AData);
  const std::uintptr_t First = (Start + HugePage - 1) & ~(HugePage - 1);
  const std::uintptr_t End = (Start + ASize) & ~(HugePage - 1);
  if (AData == nullptr || End <= First) return;
  ::madvise(reinterpret_cast<void*>(First), End - First, MADV_HUGEPAGE);
#else
  (void)AData;
  (void)ASize;
#endif
}

} // namespace vm
