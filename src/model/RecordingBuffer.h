#pragma once
// The growing recording: captured bytes appended buffer by buffer, keeping at most the
// latest `ceiling` bytes (whole frames). Past the ceiling the oldest frames are dropped.
// The block grows to twice the ceiling at most; when it is full, the latest bytes are moved
// to its start in one step, so each byte moves at most once per ceiling's worth of sound
// (the move is amortised). Finish() straightens the kept bytes into a block of exactly
// their size for the document.
//
// Memory comes from Heap, so that tests can make a growth fail; a failed Append keeps
// everything collected before it. GUI thread only.

#include <cstdint>

#include "base/HeapPtr.h"

class RecordingBuffer {
public:
  // `ceiling` bytes kept at most, rounded down to whole frames of `frameBytes` (≥ 1). A
  // ceiling of 0 or less keeps nothing.
  RecordingBuffer(std::int64_t ceiling, int frameBytes);

  // Appends `n` bytes. False when memory runs out: nothing of them is kept.
  bool Append(const std::uint8_t* bytes, std::int64_t n);
  // Bytes kept now: min(appended, ceiling).
  std::int64_t Size() const { return end_ - start_; }
  // The bytes kept, oldest first, as one block of exactly Size() bytes (empty when none),
  // and the buffer starts again. The block stays where it is when it already fits.
  HeapBytes Finish();

private:
  void Compact();  // moves the kept bytes to the start of the block

  std::int64_t ceiling_;
  HeapBytes block_;
  std::int64_t capacity_ = 0;
  std::int64_t start_ = 0, end_ = 0;  // the kept bytes: block_[start_ .. end_)
};
