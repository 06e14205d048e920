#pragma once
// How the C library's heap treats the large blocks a clipboard item needs for a moment.

namespace vm {

// Call once at start-up, before anything large is allocated.
void KeepLargeBlocksOutOfTheHeap();

} // namespace vm
