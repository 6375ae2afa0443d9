#pragma once
// One harmonic set as the tone mixer's memory keeps it: what "FFTMEM" stores in a slot and
// a recall hands back. A plain value, zero when created. The tables are indexed by
// harmonic number 1 .. 120; element 0 is unused, stays 0 and is never saved. Any thread.

#include <algorithm>
#include <array>
#include <cstdint>

#include "analysis/myfft.h"

struct MemorySlot {
  static constexpr std::int32_t kHarmonics = 120;

  // Highest harmonic in use, exactly as stored or loaded: a file may hold any value, and
  // saving writes it back unchanged. Bound loops with ClampedCount(), never with this.
  std::int32_t HarmCount = 0;
  std::int32_t Freq = 0;    // base frequency in Hz (the window accepts 1 .. 2000)
  std::int32_t Volume = 0;  // position of the volume slider (0 .. 300)
  std::array<std::int32_t, kHarmonics + 1> Amplitude{};  // 0 .. 100 from the window; 0 is off
  std::array<double, kHarmonics + 1> Phase{};            // radians
  std::array<TComplex, kHarmonics + 1> Spectrum{};       // the peak search's value, if any

  // HarmCount limited to 0 .. 120, safe to index the tables with.
  std::int32_t ClampedCount() const { return std::clamp(HarmCount, 0, kHarmonics); }
};
