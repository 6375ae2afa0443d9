#include "files/MemoryByteSource.h"

#include <cstring>

MemoryByteSource::MemoryByteSource(const std::uint8_t* data, std::size_t size)
    : data_(data), size_(data ? size : 0) {}

std::int64_t MemoryByteSource::Size() const { return static_cast<std::int64_t>(size_); }

std::int64_t MemoryByteSource::Tell() const { return position_; }

bool MemoryByteSource::Seek(std::int64_t position) {
  if (position < 0) return false;
  position_ = position;
  return true;
}

std::int64_t MemoryByteSource::Read(std::uint8_t* buffer, std::size_t count) {
  const auto size = static_cast<std::int64_t>(size_);
  if (position_ >= size || count == 0) return 0;
  std::int64_t n = size - position_;
  if (static_cast<std::uint64_t>(n) > count) n = static_cast<std::int64_t>(count);
  std::memcpy(buffer, data_ + position_, static_cast<std::size_t>(n));
  position_ += n;
  return n;
}
