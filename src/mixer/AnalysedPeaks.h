#pragma once
// The main window's peak tables as the tone mixer reads them, and the take-over that turns
// them into harmonics of the mixer's set. The window around it (bank, base frequency,
// synthesis, controls) is the caller's.
//
// GUI thread: the tables belong to the main window.

#include <cstdint>
#include <span>

#include "analysis/PeakAnalysis.h"
#include "analysis/myfft.h"
#include "mixer/HarmonicSet.h"

struct AnalysedPeaks {
  std::uint32_t PeakCount = 0;                              // 0 .. 119; more is read as 119
  std::span<const std::uint32_t, kPeakSlots> PeakHarmonic;  // 1-based, strictly rising
  std::span<const double, kPeakSlots> PeakLevel;            // 0 .. 50
  std::span<const TComplex, kPeakSlots> PeakValue;          // the spectrum at each peak
};

// Copies the peaks into `set` by harmonic number:
//   1. Peaks at the end of the list with harmonic >= 120 are dropped; HarmCount becomes the
//      harmonic of the last peak left (0 if none).
//   2. For each peak left with harmonic h: Amplitude[h] = Round(PeakLevel) and
//      Spectrum[h] = PeakValue. Other harmonics keep amplitude, phase and spectrum.
//   3. For k = 1 .. HarmCount with Amplitude[k] != 0: Phase[k] = atan2(re, im) of
//      Spectrum[k] (re first: with the transform's positive exponent this is the phase of a
//      sine), or 0 when both parts are 0.0.
// Inputs the analysis never makes are tolerated: a peak with harmonic 0, or >= 120 before
// the end, is skipped; a level is limited to 0 .. 100 before rounding and a NaN level
// gives 0. A NaN spectral value gives a NaN phase, which the synthesis turns into silence.
void TakeOverPeaks(const AnalysedPeaks& peaks, HarmonicSet& set);
