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

bool RiffReader::FindRiff(std::uint32_t formType, RiffChunk& riff) {
  cancelled_ = false;
  const std::int64_t end = source_.Size();
  std::int64_t position = std::max<std::int64_t>(source_.Tell(), 0);
  while (position + kHeaderBytes + 4 <= end && Walked(position)) {
    const std::uint8_t* header = Peek(position, kHeaderBytes + 4);
    if (!header) return false;
    const std::uint32_t id = LittleEndian::GetU32(header);
    const std::uint32_t size = LittleEndian::GetU32(header + 4);
    if (id == kRiff && LittleEndian::GetU32(header + 8) == formType) {
      riff = RiffChunk{id, size, formType, position + kHeaderBytes};
      return source_.Seek(position + kHeaderBytes + 4);  // just after the form type
    }
    position = NextChunk(position + kHeaderBytes, size);
  }
  return false;
}

bool RiffReader::FindChunk(std::uint32_t id, const RiffChunk& parent, RiffChunk& chunk) {
  cancelled_ = false;
  const std::int64_t end =
      std::min(parent.dataOffset + static_cast<std::int64_t>(parent.size), source_.Size());
  std::int64_t position = std::max(source_.Tell(), FirstChild(parent));
  while (position + kHeaderBytes <= end && Walked(position)) {
    const std::uint8_t* header = Peek(position, kHeaderBytes);
    if (!header) return false;
    const std::uint32_t found = LittleEndian::GetU32(header);
    const std::uint32_t size = LittleEndian::GetU32(header + 4);
    if (found == id) {
      chunk = RiffChunk{found, size, 0, position + kHeaderBytes};
      return source_.Seek(position + kHeaderBytes);  // at the data
    }
    position = NextChunk(position + kHeaderBytes, size);
  }
  return false;
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
