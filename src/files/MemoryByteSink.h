#pragma once
// A ByteSink that collects the bytes in memory, with an optional limit after which writes
// fail as on a full disk. Used by tests of the writers. One thread at a time.

#include <cstdint>
#include <vector>

#include "files/ByteSink.h"

class MemoryByteSink : public ByteSink {
public:
  // writeLimit: total bytes the sink accepts over all writes (overwrites count too);
  // negative for no limit.
  explicit MemoryByteSink(std::int64_t writeLimit = -1) : writeLimit_(writeLimit) {}

  std::int64_t Tell() const override { return position_; }
  bool Seek(std::int64_t position) override;
  std::size_t Write(const std::uint8_t* data, std::size_t count) override;

  const std::vector<std::uint8_t>& Bytes() const { return bytes_; }

private:
  std::vector<std::uint8_t> bytes_;
  std::int64_t position_ = 0;
  std::int64_t writeLimit_;
  std::int64_t written_ = 0;
};
