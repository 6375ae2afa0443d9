#pragma once
// The window's controls that shape a synthesised sound besides the harmonic set. The
// synthesis clamps each field to the range of its control, so a damaged memory or file
// cannot take it outside what the window could produce.

#include <cstdint>

struct ToneSettings {
  std::int32_t Freq = 100;      // base frequency f0 in Hz, 1 .. 2000 (the freq slider)
  std::int32_t Volume = 10;     // 0 .. 300 (the volume slider)
  std::int32_t FadeSteps = 10;  // fade-out length in 5 ms steps, 1 .. 30 ("Last")
};
