#include "files/MemoryByteSink.h"

#include <cstring>

bool MemoryByteSink::Seek(std::int64_t position) {
  if (position < 0) return false;
  position_ = position;
  return true;
}

std::size_t MemoryByteSink::Write(const std::uint8_t* data, std::size_t count) {
  if (writeLimit_ >= 0 && static_cast<std::uint64_t>(writeLimit_ - written_) < count)
    count = static_cast<std::size_t>(writeLimit_ - written_);
  if (count == 0) return 0;
  const auto end = static_cast<std::size_t>(position_) + count;
  if (bytes_.size() < end) bytes_.resize(end);  // a gap after a forward seek reads as zeros
  std::memcpy(bytes_.data() + position_, data, count);
  position_ += static_cast<std::int64_t>(count);
  written_ += static_cast<std::int64_t>(count);
  return count;
}
