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

bool RiffReader::ReadExact(std::int64_t position, std::uint8_t* buffer, std::size_t count) {
  return source_.Seek(position) &&
         source_.Read(buffer, count) == static_cast<std::int64_t>(count);
}

bool RiffReader::FindRiff(std::uint32_t formType, RiffChunk& riff) {
  const std::int64_t end = source_.Size();
  std::int64_t position = std::max<std::int64_t>(source_.Tell(), 0);
  while (position + kHeaderBytes + 4 <= end) {
    std::uint8_t header[12];
    if (!ReadExact(position, header, sizeof header)) return false;
    const std::uint32_t id = LittleEndian::GetU32(header);
    const std::uint32_t size = LittleEndian::GetU32(header + 4);
    if (id == kRiff && LittleEndian::GetU32(header + 8) == formType) {
      riff = RiffChunk{id, size, formType, position + kHeaderBytes};
      return true;  // positioned just after the form type
    }
    position = NextChunk(position + kHeaderBytes, size);
  }
  return false;
}

bool RiffReader::FindChunk(std::uint32_t id, const RiffChunk& parent, RiffChunk& chunk) {
  const std::int64_t end =
      std::min(parent.dataOffset + static_cast<std::int64_t>(parent.size), source_.Size());
  std::int64_t position = std::max(source_.Tell(), FirstChild(parent));
  while (position + kHeaderBytes <= end) {
    std::uint8_t header[kHeaderBytes];
    if (!ReadExact(position, header, sizeof header)) return false;
    const std::uint32_t found = LittleEndian::GetU32(header);
    const std::uint32_t size = LittleEndian::GetU32(header + 4);
    if (found == id) {
      chunk = RiffChunk{found, size, 0, position + kHeaderBytes};
      return true;  // positioned at the data
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
