#pragma once
// Walks the chunks of a RIFF file through a ByteSource: finds and enters the RIFF chunk of
// a form type, finds a chunk by identifier inside a parent, reads bytes and leaves a
// chunk again. Headers are decoded byte by byte from a buffer that is refilled from the
// source a block at a time, so that walking a file of millions of tiny chunks costs
// little more than reading the file once. A search never looks past its parent's end or the
// source's end, whatever the sizes in the file say. One thread at a time (it moves the
// source's position).
//
// A walk that passes kProgressStepBytes of the file calls `progress` with the offset
// reached and the source's size, once per step (an ordinary file, whose chunks before
// the sound are small, never calls it). When it returns false the search stops, fails,
// and Cancelled() says so.

#include <cstddef>
#include <cstdint>
#include <memory>

#include "files/ByteSource.h"
#include "files/ProgressCallback.h"
#include "files/RiffChunk.h"

class RiffReader {
public:
  // Bytes of header buffer; tests and fuzzing pass small sizes to reach its edges.
  static constexpr std::size_t kBufferBytes = std::size_t{64} << 10;

  explicit RiffReader(ByteSource& source, ProgressCallback progress = {},
                      std::size_t bufferBytes = kBufferBytes);

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

  // The last search failed because `progress` asked to stop.
  bool Cancelled() const { return cancelled_; }

private:
  // `count` header bytes at `position`, from the buffer; nullptr when the source does not
  // hold them all (or cannot be read).
  const std::uint8_t* Peek(std::int64_t position, std::size_t count);
  const std::uint8_t* Refill(std::int64_t position, std::size_t count);
  // Called as the walk goes on; false once it is cancelled.
  bool Walked(std::int64_t position);
  // Steps from header to header from `position` while a header of `headerBytes` fits
  // before `end`, until `match(header bytes)` is true (never for a header whose
  // identifier is not `id`): then true, `position` at that header. False when none
  // matched, the source ran out, or the walk was cancelled.
  template <class Match>
  bool Walk(std::int64_t& position, std::int64_t end, std::int64_t headerBytes, std::uint32_t id,
            Match match);

  ByteSource& source_;
  ProgressCallback progress_;
  std::size_t bufferBytes_;
  std::unique_ptr<std::uint8_t[]> buffer_;  // taken at the first header read
  std::int64_t bufferStart_ = 0;            // file offset of buffer_[0]
  std::int64_t bufferEnd_ = 0;              // file offset after the last valid byte
  std::int64_t nextReport_;                 // the walk reports when it reaches this offset
  bool cancelled_ = false;
};
