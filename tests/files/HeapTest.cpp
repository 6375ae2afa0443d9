#include "base/Heap.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

namespace {
constexpr std::size_t kMiB = std::size_t{1} << 20;

void Fill(void* block, std::size_t bytes, unsigned seed) {
  auto* p = static_cast<std::uint8_t*>(block);
  for (std::size_t i = 0; i < bytes; ++i) p[i] = std::uint8_t(i * 131 + seed + (i >> 12));
}

// Index of the first byte that differs from Fill(seed), or `bytes` when none does.
std::size_t FirstDifference(const void* block, std::size_t bytes, unsigned seed) {
  const auto* p = static_cast<const std::uint8_t*>(block);
  for (std::size_t i = 0; i < bytes; ++i)
    if (p[i] != std::uint8_t(i * 131 + seed + (i >> 12))) return i;
  return bytes;
}

bool AllZero(const void* block, std::size_t from, std::size_t to) {
  const auto* p = static_cast<const std::uint8_t*>(block);
  for (std::size_t i = from; i < to; ++i)
    if (p[i] != 0) return false;
  return true;
}

// The kernel's flags of the mapping that holds `address` ("hg": advised for huge pages).
std::string VmFlagsAt(const void* address) {
  std::ifstream smaps("/proc/self/smaps");
  const auto at = reinterpret_cast<std::uintptr_t>(address);
  bool inside = false;
  for (std::string line; std::getline(smaps, line);) {
    std::uintptr_t from = 0, to = 0;
    char dash = 0;
    std::istringstream range(line);
    if (range >> std::hex >> from >> dash >> to && dash == '-') {
      inside = from <= at && at < to;
    } else if (inside && line.rfind("VmFlags:", 0) == 0) {
      return line;
    }
  }
  return "";
}

bool AdvisedForHugePages(const void* block) {
  return VmFlagsAt(block).find(" hg") != std::string::npos;
}
}  // namespace

TEST(Heap, LargeBlocks_AreMappedZeroAlignedAndAdvisedForHugePages) {
  void* small = Heap::Alloc(Heap::kLargeBlockBytes - 1);
  EXPECT_FALSE(Heap::IsMapped(small));
  Heap::Free(small);
  for (std::size_t bytes : {Heap::kLargeBlockBytes, 3 * kMiB + 5, 64 * kMiB}) {
    void* block = Heap::AllocZeroed(bytes);
    ASSERT_NE(block, nullptr);
    EXPECT_TRUE(Heap::IsMapped(block));
    EXPECT_TRUE(AllZero(block, 0, bytes));
    if (bytes >= 2 * kMiB) {
      EXPECT_EQ(reinterpret_cast<std::uintptr_t>(block) % (2 * kMiB), 0u);
    }
    EXPECT_TRUE(AdvisedForHugePages(block)) << VmFlagsAt(block);
    Fill(block, bytes, 1);
    Heap::Free(block);
    EXPECT_FALSE(Heap::IsMapped(block));
  }
  Heap::Free(nullptr);
}

// Growing and shrinking keeps the bytes, across malloc and mapped blocks both ways, and a
// block that had to move keeps its huge-page advice and alignment.
TEST(Heap, Realloc_KeepsTheBytesAcrossEveryKindOfMove) {
  const std::size_t sizes[] = {100, 700 * 1024, 3 * kMiB + 1, 40 * kMiB + 3, 5 * kMiB, 2000, 1};
  void* block = Heap::Alloc(10);
  Fill(block, 10, 7);
  std::size_t kept = 10;
  // Another mapping made between the steps, so that some growths cannot stay in place.
  void* neighbour = nullptr;
  for (std::size_t bytes : sizes) {
    void* grown = Heap::Realloc(block, bytes);
    ASSERT_NE(grown, nullptr) << bytes;
    block = grown;
    const std::size_t same = std::min(kept, bytes);
    EXPECT_EQ(FirstDifference(block, same, 7), same) << bytes;
    Fill(block, bytes, 7);
    kept = bytes;
    if (Heap::IsMapped(block)) {
      EXPECT_TRUE(AdvisedForHugePages(block)) << bytes;
      if (bytes >= 2 * kMiB) {
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(block) % (2 * kMiB), 0u) << bytes;
      }
    }
    Heap::Free(neighbour);
    neighbour = Heap::Alloc(2 * kMiB);
  }
  Heap::Free(neighbour);
  Heap::Free(block);
}

// The bytes past what the caller uses read as zero after ReallocZeroed, also where the
// block held other bytes before (capacity beyond the used part, the end of a page).
TEST(Heap, ReallocZeroed_ClearsEverythingPastTheUsedBytes) {
  const struct {
    std::size_t before, used, after;
  } cases[] = {
      {1000, 600, 5000},                    // malloc to malloc
      {4000, 3000, 3 * kMiB},               // malloc to a mapping
      {3 * kMiB + 100, 2 * kMiB, 9 * kMiB},  // mapping grown
      {3 * kMiB + 100, 100, 3 * kMiB + 900},  // mapping grown within its last page
      {5 * kMiB, 5 * kMiB, 2 * kMiB},        // shrinking clears nothing
  };
  for (const auto& c : cases) {
    void* block = Heap::Alloc(c.before);
    ASSERT_NE(block, nullptr);
    Fill(block, c.before, 3);
    void* grown = Heap::ReallocZeroed(block, c.used, c.after);
    ASSERT_NE(grown, nullptr);
    const std::size_t kept = std::min(c.used, c.after);
    EXPECT_EQ(FirstDifference(grown, kept, 3), kept) << c.before << " -> " << c.after;
    EXPECT_TRUE(AllZero(grown, kept, c.after)) << c.before << " -> " << c.after;
    Heap::Free(grown);
  }
  void* fresh = Heap::ReallocZeroed(nullptr, 0, 2 * kMiB);
  ASSERT_NE(fresh, nullptr);
  EXPECT_TRUE(AllZero(fresh, 0, 2 * kMiB));
  Heap::Free(fresh);
}

// Every kind of call counts for the hook, and a failed Realloc leaves the block usable.
TEST(Heap, FailAfter_FailsTheChosenCallAndLeavesTheBlock) {
  void* block = Heap::Alloc(3 * kMiB);
  ASSERT_NE(block, nullptr);
  Fill(block, 3 * kMiB, 9);
  Heap::FailAfter(2);
  void* same = Heap::Realloc(block, 3 * kMiB + 10);  // 1st: in place
  ASSERT_NE(same, nullptr);
  void* zeroed = Heap::AllocZeroed(100);  // 2nd
  EXPECT_NE(zeroed, nullptr);
  EXPECT_EQ(Heap::ReallocZeroed(same, 3 * kMiB, 8 * kMiB), nullptr);  // 3rd fails
  void* after = Heap::Alloc(10);
  EXPECT_NE(after, nullptr) << "the hook disarms after firing";
  Heap::Free(after);
  EXPECT_EQ(FirstDifference(same, 3 * kMiB, 9), 3 * kMiB);
  EXPECT_EQ(Heap::Realloc(same, 0), nullptr);
  EXPECT_EQ(Heap::Alloc(0), nullptr);
  Heap::Free(same);
  Heap::Free(zeroed);
}
