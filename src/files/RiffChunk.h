#pragma once
// Where one RIFF chunk lies in a file: what the chunk layer hands back when it finds or
// creates a chunk, and what it takes to leave that chunk again. Plain value; any thread.

#include <cstdint>

// The four-character code of a chunk identifier or form type, as stored on disk
// (first character in the lowest byte): FourCC("fmt ") with the trailing space.
constexpr std::uint32_t FourCC(const char (&text)[5]) {
  return static_cast<std::uint32_t>(static_cast<unsigned char>(text[0])) |
         (static_cast<std::uint32_t>(static_cast<unsigned char>(text[1])) << 8) |
         (static_cast<std::uint32_t>(static_cast<unsigned char>(text[2])) << 16) |
         (static_cast<std::uint32_t>(static_cast<unsigned char>(text[3])) << 24);
}

struct RiffChunk {
  std::uint32_t id = 0;        // chunk identifier ("RIFF", "fmt ", "data", ...)
  std::uint32_t size = 0;      // data bytes as the header states them (pad byte excluded)
  std::uint32_t formType = 0;  // RIFF chunks only: the form type ("WAVE")
  // File offset of the chunk's data, just after its 8-byte header. For a RIFF chunk the
  // data begin with the 4-byte form type, so its subchunks start at dataOffset + 4.
  std::int64_t dataOffset = 0;
};
