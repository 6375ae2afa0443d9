#include "base/Heap.h"

#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>

#if defined(__SANITIZE_ADDRESS__)
#define KELVOR_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KELVOR_ASAN 1
#endif
#endif
#ifdef KELVOR_ASAN
#include <sanitizer/asan_interface.h>
#endif

namespace {
int failCountdown = -1;
std::atomic<long> liveBlocks{0};

void* Counted(void* block) {
  if (block) liveBlocks.fetch_add(1, std::memory_order_relaxed);
  return block;
}

bool InjectedFailure() {
  if (failCountdown < 0) return false;
  if (failCountdown == 0) {
    failCountdown = -1;
    return true;
  }
  --failCountdown;
  return false;
}

constexpr std::size_t kHugePage = std::size_t{2} << 20;
// Far below what could overflow the rounding; no sound comes near it.
constexpr std::size_t kMaxMappedBytes = std::size_t{1} << 46;

std::size_t PageBytes() {
  static const std::size_t page = [] {
    const long n = sysconf(_SC_PAGESIZE);
    return n > 0 ? static_cast<std::size_t>(n) : std::size_t{4096};
  }();
  return page;
}

std::size_t RoundUp(std::size_t n, std::size_t to) { return (n + to - 1) / to * to; }

// A live mapping: the block the caller holds, the bytes it asked for, and the
// page-rounded length mapped.
struct Mapping {
  std::uint8_t* block;
  std::size_t bytes;
  std::size_t length;
};

// A fixed table, so that the bookkeeping itself never allocates; when it is full, new
// blocks simply come from malloc. A block not listed here came from malloc.
constexpr int kMaxMappings = 256;
Mapping mappings[kMaxMappings];
int mappingCount = 0;
std::mutex mappingsLock;

Mapping* Find(const void* block) {
  for (int i = 0; i < mappingCount; ++i)
    if (mappings[i].block == block) return &mappings[i];
  return nullptr;
}

// Under AddressSanitizer the bytes between the end of a block and the end of its last
// page are made unreadable, as malloc's red zones would be.
void PoisonSlack([[maybe_unused]] const Mapping& m) {
#ifdef KELVOR_ASAN
  ASAN_POISON_MEMORY_REGION(m.block + m.bytes, m.length - m.bytes);
#endif
}

void UnpoisonAll([[maybe_unused]] const Mapping& m) {
#ifdef KELVOR_ASAN
  ASAN_UNPOISON_MEMORY_REGION(m.block, m.length);
#endif
}

// `length` bytes of fresh address space; from 2 MiB on it starts on a 2 MiB boundary,
// so that every whole huge page of it can be backed by one.
std::uint8_t* MapAligned(std::size_t length, int protection) {
  const std::size_t slack = length >= kHugePage ? kHugePage - PageBytes() : 0;
  const int flags = MAP_PRIVATE | MAP_ANONYMOUS | (protection == PROT_NONE ? MAP_NORESERVE : 0);
  void* raw = mmap(nullptr, length + slack, protection, flags, -1, 0);
  if (raw == MAP_FAILED) return nullptr;
  auto* start = static_cast<std::uint8_t*>(raw);
  const auto address = reinterpret_cast<std::uintptr_t>(start);
  auto* aligned = slack ? start + (RoundUp(address, kHugePage) - address) : start;
  if (aligned > start) munmap(start, static_cast<std::size_t>(aligned - start));
  const std::size_t tail = static_cast<std::size_t>(start + length + slack - (aligned + length));
  if (tail > 0) munmap(aligned + length, tail);
  return aligned;
}

// A new mapped block, or nullptr when the table is full (the caller uses malloc) or
// `failed` set when the system has no memory for it.
std::uint8_t* MapBlock(std::size_t bytes, bool& failed) {
  failed = false;
  std::lock_guard<std::mutex> guard(mappingsLock);
  if (mappingCount == kMaxMappings) return nullptr;
  const std::size_t length = RoundUp(bytes, PageBytes());
  std::uint8_t* block =
      bytes <= kMaxMappedBytes ? MapAligned(length, PROT_READ | PROT_WRITE) : nullptr;
  if (!block) {
    failed = true;
    return nullptr;
  }
  (void)madvise(block, length, MADV_HUGEPAGE);  // only a hint; 4 KiB pages work too
  mappings[mappingCount] = Mapping{block, bytes, length};
  PoisonSlack(mappings[mappingCount++]);
  return block;
}

void* AllocBlock(std::size_t bytes, bool zeroed) {
  if (bytes >= Heap::kLargeBlockBytes) {
    bool failed = false;
    if (std::uint8_t* block = MapBlock(bytes, failed)) return block;
    if (failed) return nullptr;
  }
  return zeroed ? std::calloc(1, bytes) : std::malloc(bytes);
}

// Resizes a mapped block (lock held). Pages added by growth are fresh zeros; the bytes
// from `zeroFrom` up to the old mapping's end are cleared explicitly. nullptr, with the
// block as it was, when no address space can be had.
void* ResizeMapping(Mapping& m, std::size_t bytes, std::size_t zeroFrom) {
  const std::size_t oldLength = m.length;
  const std::size_t length = RoundUp(bytes, PageBytes());
  std::uint8_t* block = m.block;
  UnpoisonAll(m);
  if (length != oldLength) {
    // In place when shrinking or when the address space after the block is free, unless
    // the block would reach 2 MiB off a 2 MiB boundary (it grew from a smaller one); then
    // the pages move to a new aligned range. Neither copies a byte.
    const bool aligned = reinterpret_cast<std::uintptr_t>(block) % kHugePage == 0;
    const bool inPlace =
        bytes <= kMaxMappedBytes && (aligned || length < kHugePage || length < oldLength);
    void* moved = inPlace ? mremap(block, oldLength, length, 0) : MAP_FAILED;
    if (moved == MAP_FAILED && length > oldLength && bytes <= kMaxMappedBytes) {
      if (std::uint8_t* target = MapAligned(length, PROT_NONE)) {
        moved = mremap(block, oldLength, length, MREMAP_MAYMOVE | MREMAP_FIXED, target);
        if (moved == MAP_FAILED) munmap(target, length);
      }
    }
    if (moved == MAP_FAILED) {
      PoisonSlack(m);
      return nullptr;
    }
    block = static_cast<std::uint8_t*>(moved);
    if (length > oldLength) (void)madvise(block, length, MADV_HUGEPAGE);
  }
  const std::size_t zeroEnd = std::min(bytes, oldLength);
  if (zeroFrom < zeroEnd) std::memset(block + zeroFrom, 0, zeroEnd - zeroFrom);
  m = Mapping{block, bytes, length};
  PoisonSlack(m);
  return block;
}

// Realloc and ReallocZeroed; `zeroFrom` is SIZE_MAX when no byte needs clearing.
void* ResizeBlock(void* block, std::size_t bytes, std::size_t zeroFrom) {
  const bool zeroed = zeroFrom != SIZE_MAX;
  if (!block) return AllocBlock(bytes, zeroed);
  {
    std::lock_guard<std::mutex> guard(mappingsLock);
    if (Mapping* m = Find(block)) return ResizeMapping(*m, bytes, zeroFrom);
  }
  const std::size_t had = malloc_usable_size(block);
  if (bytes >= Heap::kLargeBlockBytes) {
    // A malloc block grown this large moves to a mapping of its own, once.
    bool failed = false;
    if (std::uint8_t* mapped = MapBlock(bytes, failed)) {
      std::memcpy(mapped, block, std::min({had, bytes, zeroFrom}));
      std::free(block);
      return mapped;
    }
    if (failed) return nullptr;
  }
  auto* grown = static_cast<std::uint8_t*>(std::realloc(block, bytes));
  if (grown && zeroed) {
    const std::size_t from = std::min(zeroFrom, bytes);
    std::memset(grown + from, 0, bytes - from);
  }
  return grown;
}
}  // namespace

namespace Heap {
void* Alloc(std::size_t bytes) {
  if (bytes == 0 || InjectedFailure()) return nullptr;
  return Counted(AllocBlock(bytes, false));
}

void* AllocZeroed(std::size_t bytes) {
  if (bytes == 0 || InjectedFailure()) return nullptr;
  return Counted(AllocBlock(bytes, true));
}

void* Realloc(void* block, std::size_t bytes) {
  if (bytes == 0 || InjectedFailure()) return nullptr;
  void* resized = ResizeBlock(block, bytes, SIZE_MAX);
  return block ? resized : Counted(resized);
}

void* ReallocZeroed(void* block, std::size_t usedBytes, std::size_t bytes) {
  if (bytes == 0 || InjectedFailure()) return nullptr;
  void* resized = ResizeBlock(block, bytes, std::min(usedBytes, bytes));
  return block ? resized : Counted(resized);
}

void Free(void* block) {
  if (!block) return;
  liveBlocks.fetch_sub(1, std::memory_order_relaxed);
  {
    std::lock_guard<std::mutex> guard(mappingsLock);
    if (Mapping* m = Find(block)) {
      UnpoisonAll(*m);
      munmap(m->block, m->length);
      *m = mappings[--mappingCount];
      return;
    }
  }
  std::free(block);
}

void FailAfter(int successes) { failCountdown = successes; }

long LiveBlocks() { return liveBlocks.load(std::memory_order_relaxed); }

bool IsMapped(const void* block) {
  std::lock_guard<std::mutex> guard(mappingsLock);
  return block && Find(block);
}
}  // namespace Heap
