#pragma once
// A stretch of PCM sound as the plots read it: the whole block (so that nothing is read
// past its end), the sample layout, and which frames are shown. Borrowed, never owned: the
// block must stay valid while the view is used.
//
// Layout: channels interleaved by frame, channel 1 first; 8-bit samples unsigned with
// silence at 128, 16-bit samples signed little-endian. Any thread (a plain value).

#include <cstdint>

struct SoundView {
  const std::uint8_t* data = nullptr;  // first byte of the block; null: nothing to show
  std::int64_t size = 0;               // bytes in the block
  int channels = 1;                    // 1 or 2 are drawn
  int bits = 8;                        // 8 or 16 are drawn
  std::int64_t offset = 0;             // bytes from `data` to the first frame shown
  int frames = 0;                      // frames shown, N (also the FFT size)

  int FrameBytes() const { return channels * (bits / 8); }
  // Whole frames readable from `offset` to the end of the block (0 when outside it).
  std::int64_t FramesAvailable() const {
    const int fb = FrameBytes();
    if (!data || offset < 0 || offset >= size || fb <= 0) return 0;
    return (size - offset) / fb;
  }
};
