#pragma once
// Heap blocks for sound bytes, headers and analysis arrays. Every allocation whose
// failure the program reports ("No memory", "No pwavedata", ...) goes through here, so a
// test can make a chosen allocation fail.
//
// Blocks of 1 MiB and more (sound) get their own anonymous mapping, advised for
// transparent huge pages: filling a fresh block then costs one fault per 2 MiB instead
// of one per 4 KiB, which on this class of machine is most of the time a large file takes
// to load. Such a block grows and shrinks by moving page tables (mremap), never by
// copying. Smaller blocks come from malloc. Callers see one kind of block either way: a
// block from Alloc/AllocZeroed/Realloc/ReallocZeroed is only ever resized with Realloc
// or ReallocZeroed and freed with Free, never with the C library's realloc/free.
//
// Alloc, Realloc and Free may be called from any thread; the test hook is not
// synchronised and is meant for the GUI thread.

#include <cstddef>

namespace Heap {
// nullptr when memory runs out or an injected failure is due. Alloc(0) gives nullptr.
void* Alloc(std::size_t bytes);
// Alloc whose bytes all read as zero. A large block is zero already (fresh pages), so
// nothing is touched: its memory is taken only as it is written.
void* AllocZeroed(std::size_t bytes);
// Like realloc: on failure returns nullptr and leaves `block` as it was. Realloc(nullptr,
// n) is Alloc(n); Realloc(block, 0) fails and leaves the block.
void* Realloc(void* block, std::size_t bytes);
// Realloc where the bytes from `usedBytes` to `bytes` read as zero afterwards (the caller
// cares only for the first `usedBytes` of the old block). Pages the growth adds to a
// large block are fresh and not touched.
void* ReallocZeroed(void* block, std::size_t usedBytes, std::size_t bytes);
void Free(void* block);  // Free(nullptr) does nothing

// Test hook: the next `successes` allocations succeed and the one after fails; then the
// hook disarms itself. A negative count disarms it at once. Every call of Alloc,
// AllocZeroed, Realloc and ReallocZeroed counts, shrinking ones too.
void FailAfter(int successes);

// Blocks handed out by Alloc, AllocZeroed, Realloc(nullptr, n) and ReallocZeroed(nullptr,
// ..) and not yet given to Free: what a leak check compares before and after. Any thread.
long LiveBlocks();

// Blocks from this size on get their own mapping (see above).
inline constexpr std::size_t kLargeBlockBytes = std::size_t{1} << 20;
// True when `block` is such a mapping (for tests and benchmarks).
bool IsMapped(const void* block);
}  // namespace Heap
