#pragma once
// A readable, seekable run of bytes: a file on disk or a block in memory. The RIFF reader
// parses through it, so the same code reads files, test data and fuzzer input.
// One source is used by one thread at a time.

#include <cstddef>
#include <cstdint>

class ByteSource {
public:
  virtual ~ByteSource() = default;

  // Total bytes in the source, fixed when it was opened.
  virtual std::int64_t Size() const = 0;
  // Current read position in bytes from the start.
  virtual std::int64_t Tell() const = 0;
  // Moves the read position. Any position >= 0 is accepted, also past the end (reads
  // there give 0 bytes). False for a negative position or an I/O error.
  virtual bool Seek(std::int64_t position) = 0;
  // Reads up to `count` bytes at the current position and advances past them. Returns the
  // bytes read: fewer than `count` only at the end of the source; -1 on an I/O error.
  virtual std::int64_t Read(std::uint8_t* buffer, std::size_t count) = 0;
  // Read() into a buffer that the caller has already filled with zeros: a source may
  // then skip ranges that it knows read as zeros (the holes of a sparse file) and leave
  // those bytes, and the memory behind them, untouched. Same result as Read().
  virtual std::int64_t ReadOverZeros(std::uint8_t* buffer, std::size_t count) {
    return Read(buffer, count);
  }
};
