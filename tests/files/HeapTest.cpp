#include "base/Heap.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>

namespace {
constexpr std::size_t kMiB = std::size_t{1} << 20;

void Fill(void* block, std::size_t bytes, unsigned seed) {
  auto* p = static_cast<std::uint8_t*>(block);
  for (std::size_t i = 0; i < bytes; ++i) p[i] = std::uint8_t(i * 131 + seed + (i >> 12));
}

bool Filled(const void* block, std::size_t bytes, unsigned seed) {
  const auto* p = static_cast<const std::uint8_t*>(block);
  for (std::size_t i = 0; i < bytes; ++i)
    if (p[i] != std::uint8_t(i * 131 + seed + (i >> 12))) return false;
  return true;
}

bool Zero(const void* block, std::size_t from, std::size_t to) {
  for (std::size_t i = from; i < to; ++i)
    if (static_cast<const std::uint8_t*>(block)[i] != 0) return false;
  return true;
}

// A mapped block of 2 MiB or more starts on a 2 MiB boundary and carries the huge-page
// advice ("hg" among the flags of its mapping in smaps).
bool ReadyForHugePages(const void* block) {
  const auto at = reinterpret_cast<std::uintptr_t>(block);
  if (at % (2 * kMiB) != 0) return false;
  std::ifstream smaps("/proc/self/smaps");
  bool inside = false;
  for (std::string line; std::getline(smaps, line);) {
    if (std::uintptr_t from = 0, to = 0; std::sscanf(line.c_str(), "%lx-%lx ", &from, &to) == 2)
      inside = from <= at && at < to;
    else if (inside && line.rfind("VmFlags:", 0) == 0)
      return line.find(" hg") != std::string::npos;
  }
  return false;
}
}  // namespace

TEST(Heap, LargeBlocks_AreMappedZeroAndReadyForHugePages) {
  void* small = Heap::Alloc(Heap::kLargeBlockBytes - 1);
  EXPECT_FALSE(Heap::IsMapped(small));
  Heap::Free(small);
  for (std::size_t bytes : {Heap::kLargeBlockBytes, 3 * kMiB + 5, 64 * kMiB}) {
    void* block = Heap::AllocZeroed(bytes);
    ASSERT_NE(block, nullptr);
    EXPECT_TRUE(Heap::IsMapped(block));
    EXPECT_TRUE(Zero(block, 0, bytes));
    EXPECT_TRUE(bytes < 2 * kMiB || ReadyForHugePages(block)) << bytes;
    Fill(block, bytes, 1);
    Heap::Free(block);
  }
  Heap::Free(nullptr);
}

// Through every kind of move (malloc to malloc, malloc to mapping, mapping grown in place
// or moved, shrunk), Realloc keeps the bytes and ReallocZeroed also clears everything past
// the used ones, including old bytes in the block's spare room.
TEST(Heap, Realloc_KeepsTheBytesAndReallocZeroedClearsTheRest) {
  const std::size_t sizes[] = {100,           700 * 1024, 1200 * 1024, 3 * kMiB + 1,
                               40 * kMiB + 3, 5 * kMiB,   2000};
  for (bool zeroed : {false, true}) {
    void* block = Heap::Alloc(10);
    std::size_t used = 10;
    Fill(block, used, 7);
    void* other = nullptr;  // made between steps, so that some growths cannot stay in place
    for (std::size_t bytes : sizes) {
      const std::size_t kept = std::min(used, bytes);
      Fill(block, kept, 7);
      void* resized =
          zeroed ? Heap::ReallocZeroed(block, kept / 2, bytes) : Heap::Realloc(block, bytes);
      ASSERT_NE(resized, nullptr) << bytes;
      block = resized;
      EXPECT_TRUE(Filled(block, zeroed ? kept / 2 : kept, 7)) << bytes;
      EXPECT_TRUE(!zeroed || Zero(block, kept / 2, bytes)) << bytes;
      EXPECT_TRUE(bytes < 2 * kMiB || ReadyForHugePages(block)) << bytes;
      Fill(block, bytes, 9);  // dirty spare room for the next step
      used = bytes;
      Heap::Free(other);
      other = Heap::Alloc(2 * kMiB);
    }
    Heap::Free(other);
    Heap::Free(block);
  }
}

// Every kind of call counts for the hook, and a failed call leaves the block as it was.
TEST(Heap, FailAfter_FailsTheChosenCallAndLeavesTheBlock) {
  void* block = Heap::Alloc(3 * kMiB);
  ASSERT_NE(block, nullptr);
  Fill(block, 3 * kMiB, 9);
  Heap::FailAfter(2);
  void* same = Heap::Realloc(block, 3 * kMiB + 10);
  void* zeroed = Heap::AllocZeroed(100);
  EXPECT_EQ(Heap::ReallocZeroed(same, 3 * kMiB, 8 * kMiB), nullptr);
  void* after = Heap::Alloc(10);  // the hook disarmed itself
  EXPECT_NE(same, nullptr);
  EXPECT_NE(zeroed, nullptr);
  EXPECT_NE(after, nullptr);
  EXPECT_TRUE(Filled(same, 3 * kMiB, 9));
  EXPECT_EQ(Heap::Realloc(same, 0), nullptr);
  for (void* p : {same, zeroed, after}) Heap::Free(p);
}
