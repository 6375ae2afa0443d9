#pragma once
// A ByteSource over a block of memory that the caller owns and keeps alive and unchanged
// while the source is used (tests, fuzzing). One thread at a time.

#include <cstddef>
#include <cstdint>

#include "files/ByteSource.h"

class MemoryByteSource : public ByteSource {
public:
  MemoryByteSource(const std::uint8_t* data, std::size_t size);

  std::int64_t Size() const override;
  std::int64_t Tell() const override;
  bool Seek(std::int64_t position) override;
  std::int64_t Read(std::uint8_t* buffer, std::size_t count) override;

private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::int64_t position_ = 0;
};
