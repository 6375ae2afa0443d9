#pragma once
// Ownership of a block from Heap: freed with Heap::Free when the pointer goes. Any thread,
// like Heap's allocations themselves; one owner at a time (a unique_ptr).

#include <cstdint>
#include <memory>

#include "base/Heap.h"

struct HeapFree {
  void operator()(void* block) const { Heap::Free(block); }
};

template <class T>
using HeapPtr = std::unique_ptr<T, HeapFree>;

using HeapBytes = HeapPtr<std::uint8_t>;

// Bytes from Heap::Alloc; empty when memory runs out (or a test made it fail).
inline HeapBytes AllocBytes(std::size_t bytes) {
  return HeapBytes(static_cast<std::uint8_t*>(Heap::Alloc(bytes)));
}
