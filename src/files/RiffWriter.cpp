#include "files/RiffWriter.h"

#include "files/LittleEndian.h"

bool RiffWriter::WriteAll(const std::uint8_t* data, std::size_t count) {
  return sink_.Write(data, count) == count;
}

bool RiffWriter::CreateRiff(RiffChunk& riff) {
  riff.id = FourCC("RIFF");
  riff.size = 0;
  riff.dataOffset = sink_.Tell() + 8;
  std::uint8_t header[12];
  LittleEndian::PutU32(header, riff.id);
  LittleEndian::PutU32(header + 4, 0);
  LittleEndian::PutU32(header + 8, riff.formType);
  return WriteAll(header, sizeof header);
}

bool RiffWriter::CreateChunk(RiffChunk& chunk) {
  chunk.dataOffset = sink_.Tell() + 8;
  std::uint8_t header[8];
  LittleEndian::PutU32(header, chunk.id);
  LittleEndian::PutU32(header + 4, chunk.size);
  return WriteAll(header, sizeof header);
}

std::size_t RiffWriter::Write(const std::uint8_t* data, std::size_t count) {
  return sink_.Write(data, count);
}

bool RiffWriter::Ascend(RiffChunk& chunk) {
  const std::int64_t end = sink_.Tell();
  const std::int64_t written = end - chunk.dataOffset;
  if (written < 0 || written > 0xFFFFFFFFll) return false;
  const auto size = static_cast<std::uint32_t>(written);
  if (size & 1) {
    const std::uint8_t pad = 0;
    if (!WriteAll(&pad, 1)) return false;
  }
  if (size != chunk.size) {
    const std::int64_t after = sink_.Tell();
    std::uint8_t field[4];
    LittleEndian::PutU32(field, size);
    if (!sink_.Seek(chunk.dataOffset - 4) || !WriteAll(field, sizeof field) || !sink_.Seek(after))
      return false;
    chunk.size = size;
  }
  return true;
}
