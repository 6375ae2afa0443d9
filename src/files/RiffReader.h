#pragma once
// Walks the chunks of a RIFF file through a ByteSource: finds and enters the RIFF chunk of
// a form type, finds a chunk by identifier inside a parent, reads bytes and leaves a
// chunk again. Every header is read with an exact byte count and decoded byte by byte;
// a search never looks past its parent's end or the source's end, whatever the sizes in
// the file say. One thread at a time (it moves the source's position).

#include <cstddef>
#include <cstdint>

#include "files/ByteSource.h"
#include "files/RiffChunk.h"

class RiffReader {
 public:
  explicit RiffReader(ByteSource& source) : source_(source) {}

  // Searches the top level from the current position for a chunk "RIFF" whose form type
  // is `formType`, skipping other chunks. Found: fills `riff` and positions at its first
  // subchunk (riff.dataOffset + 4). False when there is none; the position is then
  // left anywhere.
  bool FindRiff(std::uint32_t formType, RiffChunk& riff);

  // Searches forward from the current position (at least from the parent's first
  // subchunk) for a chunk with identifier `id` whose header lies inside `parent`.
  // Chunks of any other identifier are skipped with their pad byte. Found: fills `chunk`
  // and positions at its data. Its size is as the file states it and may run past the
  // parent or the source; Read() is what bounds the bytes. False when there is none.
  bool FindChunk(std::uint32_t id, const RiffChunk& parent, RiffChunk& chunk);

  // Reads up to `count` bytes at the current position; fewer only at the end of the
  // source. Returns the bytes read, or -1 on an I/O error.
  std::int64_t Read(std::uint8_t* buffer, std::size_t count);

  // Leaves `chunk`: positions after its data and its pad byte (when its size is odd).
  bool Ascend(const RiffChunk& chunk);

  // Bytes from the current position to the end of the source (0 when past it).
  std::int64_t Remaining() const;

 private:
  // Reads exactly `count` header bytes at `position`; false on any shortfall.
  bool ReadExact(std::int64_t position, std::uint8_t* buffer, std::size_t count);

  ByteSource& source_;
};
