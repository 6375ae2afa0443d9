#pragma once
// Heap blocks for sound bytes, headers and analysis arrays. Every allocation whose
// failure the program reports ("No memory", "No pwavedata", ...) goes through here, so a
// test can make a chosen allocation fail. GUI thread only (the hook is not synchronised).

#include <cstddef>

namespace Heap {
// nullptr when memory runs out or an injected failure is due. Alloc(0) gives nullptr.
void* Alloc(std::size_t bytes);
// Like realloc: on failure returns nullptr and leaves `block` as it was.
void* Realloc(void* block, std::size_t bytes);
void Free(void* block);  // Free(nullptr) does nothing

// Test hook: the next `successes` allocations succeed and the one after fails; then the
// hook disarms itself. A negative count disarms it at once.
void FailAfter(int successes);
}  // namespace Heap
