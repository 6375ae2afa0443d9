#pragma once
// Builds a RIFF file in a ByteSink: creates the RIFF chunk and its subchunks, writes their
// data and ends each chunk again, which fixes its size field and adds the pad byte after
// an odd size. Fields are encoded byte by byte, little-endian. One thread at a time.

#include <cstddef>
#include <cstdint>

#include "files/ByteSink.h"
#include "files/RiffChunk.h"

class RiffWriter {
public:
  explicit RiffWriter(ByteSink& sink) : sink_(sink) {}

  // Writes "RIFF", a provisional size of 0 and riff.formType at the current position, and
  // sets riff.id and riff.dataOffset (the form type's offset). False when the sink
  // refused a byte.
  bool CreateRiff(RiffChunk& riff);

  // Writes the header of a subchunk with chunk.id and chunk.size at the current position
  // and sets chunk.dataOffset. False when the sink refused a byte.
  bool CreateChunk(RiffChunk& chunk);

  // Writes `count` bytes at the current position; returns the bytes the sink took.
  std::size_t Write(const std::uint8_t* data, std::size_t count);

  // Ends `chunk` at the current position: its size becomes the bytes written since its
  // header (rewritten in the header when it differs from chunk.size, which is updated), and
  // a zero pad byte follows an odd size. Leaves the position after the pad byte. False when
  // the sink refused a byte or the chunk grew beyond 4 GiB - 1.
  bool Ascend(RiffChunk& chunk);

private:
  bool WriteAll(const std::uint8_t* data, std::size_t count);

  ByteSink& sink_;
};
