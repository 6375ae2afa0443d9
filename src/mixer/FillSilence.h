#pragma once
// Silence in a mono sound block: what the mixer writes when it opens and whenever a
// synthesis may not keep its sound. Any thread; the block must not be in use by a device.

#include <cstdint>
#include <cstring>
#include <span>

// size div 2 samples of 0 (an odd trailing byte is left as it was).
inline void FillSilence16(std::span<std::uint8_t> block) {
  if (!block.empty()) std::memset(block.data(), 0, block.size() & ~std::size_t(1));
}

// size bytes of 128.
inline void FillSilence8(std::span<std::uint8_t> block) {
  if (!block.empty()) std::memset(block.data(), 128, block.size());
}
