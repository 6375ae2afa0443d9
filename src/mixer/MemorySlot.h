#pragma once
// One harmonic set as the tone mixer's memory keeps it: what "FFTMEM" stores in a slot and
// a recall hands back, with the base frequency and volume it was played at. A plain
// value, zero when created. Any thread.

#include <cstdint>

#include "mixer/HarmonicSet.h"

struct MemorySlot {
  // HarmCount exactly as stored or loaded: a file may hold any value, and saving writes it
  // back unchanged. Bound loops with Harmonics.VisitedCount(), never with the raw count.
  HarmonicSet Harmonics;
  std::int32_t Freq = 0;    // base frequency in Hz (the window accepts 1 .. 2000)
  std::int32_t Volume = 0;  // position of the volume slider (0 .. 300)
};
