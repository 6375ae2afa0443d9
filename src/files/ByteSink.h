#pragma once
// A writable, seekable run of bytes that the RIFF writer builds a file in: a file on disk
// or a block in memory. One sink is used by one thread at a time.

#include <cstddef>
#include <cstdint>

class ByteSink {
public:
  virtual ~ByteSink() = default;

  // Current write position in bytes from the start.
  virtual std::int64_t Tell() const = 0;
  // Moves the write position (back to patch a size field, forward again to go on). False
  // for a negative position.
  virtual bool Seek(std::int64_t position) = 0;
  // Writes `count` bytes at the current position and advances past them. Returns the
  // bytes written: fewer than `count` means the medium refused the rest (disk full, I/O
  // error) and the sink should be given up.
  virtual std::size_t Write(const std::uint8_t* data, std::size_t count) = 0;
};
