#include "model/RecordingBuffer.h"

#include <algorithm>
#include <cstring>

RecordingBuffer::RecordingBuffer(std::int64_t ceiling, int frameBytes) {
  const std::int64_t frame = std::max(frameBytes, 1);
  ceiling_ = ceiling > 0 ? ceiling - ceiling % frame : 0;
}

void RecordingBuffer::Compact() {
  if (start_ == 0) return;
  std::memmove(block_.get(), block_.get() + start_, std::size_t(end_ - start_));
  end_ -= start_;
  start_ = 0;
}

bool RecordingBuffer::Append(const std::uint8_t* bytes, std::int64_t n) {
  if (n <= 0 || ceiling_ == 0) return true;
  if (n >= ceiling_) {  // a single buffer past the ceiling: only its latest bytes stay
    bytes += n - ceiling_;
    n = ceiling_;
    start_ = end_ = 0;
  }
  if (end_ + n > capacity_) {
    // Full at twice the ceiling: drop what is older than the ceiling allows first.
    const std::int64_t keep = std::min(end_ - start_, ceiling_ - n);
    start_ = end_ - keep;
    if (capacity_ >= 2 * ceiling_) Compact();
    if (end_ + n > capacity_) {
      // Grow by half again (one move per buffer while short, amortised), capped at twice
      // the ceiling, never below what this append needs.
      Compact();
      std::int64_t grown = std::max(end_ + n, capacity_ + capacity_ / 2);
      grown = std::min(grown, 2 * ceiling_);
      void* p = Heap::Realloc(block_.get(), std::size_t(grown));
      if (!p) return false;
      (void)block_.release();
      block_.reset(static_cast<std::uint8_t*>(p));
      capacity_ = grown;
    }
  }
  std::memcpy(block_.get() + end_, bytes, std::size_t(n));
  end_ += n;
  if (end_ - start_ > ceiling_) start_ = end_ - ceiling_;
  return true;
}

HeapBytes RecordingBuffer::Finish() {
  Compact();
  const std::int64_t size = end_;
  HeapBytes out = std::move(block_);
  capacity_ = start_ = end_ = 0;
  if (size == 0) return HeapBytes();
  if (void* p = Heap::Realloc(out.get(), std::size_t(size))) {
    (void)out.release();
    out.reset(static_cast<std::uint8_t*>(p));
  }
  return out;  // a failed shrink keeps the larger block, which holds the same bytes
}
