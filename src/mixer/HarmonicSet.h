#pragma once
// The harmonic set the tone mixer edits, stores in its memories and synthesises: one
// amplitude, phase and spectral value per harmonic. Tables are 1-based as the window and
// the settings file number the harmonics: element k is harmonic k (1 .. 120), element 0
// is never read or written by the mixer code.
//
// A plain value: copy it to store a memory slot. No thread affinity of its own; the mixer's
// model (ToneMixer) owns the one being edited, the memory slots hold copies, and the
// mixer reads and writes them on the GUI thread. The fields are ordered so
// that the struct has no padding (a copy compares byte for byte).

#include <algorithm>
#include <array>
#include <cstdint>

#include "analysis/myfft.h"

constexpr int kHarmonics = 120;                 // harmonics 1 .. 120
constexpr int kHarmonicSlots = kHarmonics + 1;  // table elements; index 0 unused

struct HarmonicSet {
  // Highest harmonic the synthesis visits (1 .. HarmCount). It may hold anything a file
  // gave; whatever indexes the tables uses VisitedCount().
  std::int32_t HarmCount = 0;
  // 0 .. 100 from the sliders, 0 .. 50 from a take-over; 0 means the harmonic is off.
  // Any int32 is tolerated (a loaded memory is not range-checked).
  std::array<std::int32_t, kHarmonicSlots> Amplitude{};
  // Radians: -pi .. pi from a take-over, whole degrees from the controls.
  std::array<double, kHarmonicSlots> Phase{};
  // The analysed value each phase came from; carried along, never synthesised.
  std::array<TComplex, kHarmonicSlots> Spectrum{};

  // HarmCount limited to 0 .. 120.
  int VisitedCount() const { return std::clamp<std::int32_t>(HarmCount, 0, kHarmonics); }
};
