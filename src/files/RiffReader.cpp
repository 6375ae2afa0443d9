#include "files/RiffReader.h"

#include <algorithm>

#include "files/LittleEndian.h"

namespace {
constexpr std::uint32_t kRiff = FourCC("RIFF");
constexpr std::int64_t kHeaderBytes = 8;  // identifier and size

// Where the chunk after one of `size` data bytes at `dataOffset` begins (pad included).
std::int64_t NextChunk(std::int64_t dataOffset, std::uint32_t size) {
  return dataOffset + static_cast<std::int64_t>(size) + (size & 1);
}

// The first subchunk of a RIFF or LIST chunk follows its form type; other chunks hold
// no subchunks, so a search inside one starts at its data and finds nothing.
std::int64_t FirstChild(const RiffChunk& parent) {
  return parent.dataOffset + (parent.id == kRiff || parent.id == FourCC("LIST") ? 4 : 0);
}
}  // namespace

RiffReader::RiffReader(ByteSource& source, ProgressCallback progress, std::size_t bufferBytes)
    : source_(source),
      progress_(std::move(progress)),
      bufferBytes_(std::max<std::size_t>(bufferBytes, 12)),
      nextReport_(static_cast<std::int64_t>(kProgressStepBytes)) {}

const std::uint8_t* RiffReader::Peek(std::int64_t position, std::size_t count) {
  if (position >= bufferStart_ && position + static_cast<std::int64_t>(count) <= bufferEnd_)
    return buffer_.get() + (position - bufferStart_);
  return Refill(position, count);
}

const std::uint8_t* RiffReader::Refill(std::int64_t position, std::size_t count) {
  if (!buffer_) buffer_ = std::make_unique_for_overwrite<std::uint8_t[]>(bufferBytes_);
  bufferStart_ = bufferEnd_ = position;
  if (!source_.Seek(position)) return nullptr;
  const std::int64_t got = source_.Read(buffer_.get(), bufferBytes_);
  if (got < 0) return nullptr;
  bufferEnd_ = position + got;
  return got >= static_cast<std::int64_t>(count) ? buffer_.get() : nullptr;
}

bool RiffReader::Walked(std::int64_t position) {
  if (position < nextReport_) return true;
  nextReport_ = position + static_cast<std::int64_t>(kProgressStepBytes);
  if (progress_ && !progress_(position, source_.Size())) cancelled_ = true;
  return !cancelled_;
}

template <class Match>
bool RiffReader::Walk(std::int64_t& position, std::int64_t end, std::int64_t headerBytes,
                      std::uint32_t id, Match match) {
  while (position + headerBytes <= end) {
    if (!Walked(position) || !Peek(position, static_cast<std::size_t>(headerBytes))) return false;
    // Every header that lies whole in the buffer, up to the next progress report, in one
    // tight loop.
    const std::uint8_t* const buffer = buffer_.get();
    const std::int64_t start = bufferStart_;
    const auto at = [buffer, start](std::int64_t offset) { return buffer + (offset - start); };
    const std::int64_t stop = std::min(std::min(end, bufferEnd_) - headerBytes, nextReport_ - 1);
    do {
      if (match(at(position))) return true;
      const std::uint32_t size = LittleEndian::GetU32(at(position) + 4);
      if (size != 0) {
        position = NextChunk(position + kHeaderBytes, size);
        continue;
      }
      // A run of empty chunks (a file of zeros is one): each header lies 8 bytes after the
      // last, so the steps need not wait for each size to be loaded; a header leaves the
      // run when its size is not 0 or its identifier is the one `match` looks for.
      for (position += kHeaderBytes; position <= stop; position += kHeaderBytes) {
        const std::uint64_t header = LittleEndian::GetU64(at(position));
        if ((header >> 32) != 0 || static_cast<std::uint32_t>(header) == id) break;
      }
    } while (position <= stop);
  }
  return false;
}

bool RiffReader::FindRiff(std::uint32_t formType, RiffChunk& riff) {
  cancelled_ = false;
  std::int64_t position = std::max<std::int64_t>(source_.Tell(), 0);
  const bool found =
      Walk(position, source_.Size(), kHeaderBytes + 4, kRiff, [formType](const std::uint8_t* h) {
        return LittleEndian::GetU32(h) == kRiff && LittleEndian::GetU32(h + 8) == formType;
      });
  if (!found) return false;
  const std::uint8_t* header = Peek(position, kHeaderBytes);
  riff = RiffChunk{kRiff, LittleEndian::GetU32(header + 4), formType, position + kHeaderBytes};
  return source_.Seek(position + kHeaderBytes + 4);  // just after the form type
}

bool RiffReader::FindChunk(std::uint32_t id, const RiffChunk& parent, RiffChunk& chunk) {
  cancelled_ = false;
  const std::int64_t end =
      std::min(parent.dataOffset + static_cast<std::int64_t>(parent.size), source_.Size());
  std::int64_t position = std::max(source_.Tell(), FirstChild(parent));
  const bool found = Walk(position, end, kHeaderBytes, id,
                          [id](const std::uint8_t* h) { return LittleEndian::GetU32(h) == id; });
  if (!found) return false;
  const std::uint8_t* header = Peek(position, kHeaderBytes);
  chunk = RiffChunk{id, LittleEndian::GetU32(header + 4), 0, position + kHeaderBytes};
  return source_.Seek(position + kHeaderBytes);  // at the data
}

std::int64_t RiffReader::Read(std::uint8_t* buffer, std::size_t count) {
  return source_.Read(buffer, count);
}

bool RiffReader::Ascend(const RiffChunk& chunk) {
  return source_.Seek(NextChunk(chunk.dataOffset, chunk.size));
}

std::int64_t RiffReader::Remaining() const {
  return std::max<std::int64_t>(source_.Size() - source_.Tell(), 0);
}
