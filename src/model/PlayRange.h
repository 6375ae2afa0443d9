#pragma once
// Arithmetic of the play cursor, in bytes of the sound block. The views show the window of
// FftSize frames that begins at the cursor, so the cursor's range ends at the start of the
// last whole window. Pure functions: any thread.

#include <cstdint>

namespace PlayRange {

// Start of the last whole window of `frames` frames: size − blockAlign × frames bytes.
// Negative for a sound shorter than one window.
std::int64_t LastWindow(std::int32_t size, std::uint16_t blockAlign, std::uint32_t frames);

// The play bar for a new sound whose last window starts at `room`: range 0 .. room with
// steps of half and a tenth of a window, or, when room is at most `fftSize` (a byte count
// compared with a frame count, as the program always has), 0 .. 1 with steps of 1 and the
// request to push the button.
struct Bar {
  int max = 1;
  int largeChange = 1;
  int smallChange = 1;
  bool tooShort = true;
};
Bar ForRoom(std::int64_t room, std::uint32_t fftSize);

// The play range of a sound that has just become current, for the chosen window of
// `fftSize` frames: when less than `fftSize` bytes (compared with a frame count, as the
// program always has) are left after the last window, the window falls back to 256 frames;
// then the bar for what is left (ForRoom).
struct NewRange {
  std::uint32_t fftSize = 256;
  Bar bar;
};
NewRange ForNewSound(std::int32_t size, std::uint16_t blockAlign, std::uint32_t fftSize);

// A new window size on a held sound (or a capture buffer): when no window of `fftSize`
// frames fits, 256 frames are used instead. `last` is then the start of the last window,
// never below 0.
struct Window {
  std::uint32_t fftSize = 256;
  std::int64_t last = 0;
};
Window Fit(std::int32_t size, std::uint16_t blockAlign, std::uint32_t fftSize);

// `pos` moved back to the start of its frame (blocks of 0 bytes count as 1).
std::int32_t AlignToFrame(std::int64_t pos, std::uint16_t blockAlign);

// Seconds of `bytes` at `bytesPerSecond`; 0 when the rate is 0.
double BytesToSeconds(std::int32_t bytes, std::uint32_t bytesPerSecond);

// size ≥ start + block × frame in unsigned 32-bit arithmetic.
bool HasRoom(std::uint32_t size, std::uint32_t start, std::uint32_t block, std::uint32_t frame);

}  // namespace PlayRange
