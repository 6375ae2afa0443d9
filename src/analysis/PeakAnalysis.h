#pragma once
// The harmonic peak analysis of the spectrum drawn last: finds the peaks of the magnitude
// spectrum, takes the lowest strong one as the base (fundamental) and reports its
// interpolated frequency; when the sound is idle it also sorts the peaks into harmonics of
// the base, for the tone mixer.
//
// Threads: GUI thread (reads the analysis arrays that the spectrum plot fills, writes the
// caller's peak tables).

#include <cstdint>
#include <span>

#include "analysis/myfft.h"

constexpr int kPeakSlots = 120;     // table elements; index 0 is never used
constexpr int kPeakCapacity = 119;  // peaks held at most, indices 1 .. 119

// What the analysis reads.
struct PeakInput {
  const double* FftMagnitude;   // |X[k]| for k = 0 .. N-2, as Fft left it; null: no analysis
  const TComplex* FftSpectrum;  // X[k], k = 0 .. N-1
  std::int32_t N;               // FftSize: a size Fft accepts
  std::uint32_t rate;           // the held sound's nSamplesPerSec
  double FftLevel;              // a peak must be strictly above this magnitude
  std::uint32_t FilterFreq;     // Hz; peaks at or below its bin are ignored
  bool idle;                    // neither playing nor recording: run the harmonic steps
};

// What it writes: the caller's tables (1-based, kPeakSlots elements each).
struct PeakTables {
  std::uint32_t& PeakCount;
  std::span<double, kPeakSlots> PeakLevel;            // magnitudes; 0 .. 50 after a full run
  std::span<std::uint32_t, kPeakSlots> PeakHarmonic;  // 1 for the base, strictly rising
  std::span<TComplex, kPeakSlots> PeakValue;          // X at each peak's bin
  std::int32_t& BaseFreq;                             // Hz
};

// Runs the analysis; true means BaseFreq is valid. Scan bins 1 .. N/2-1 for strict local
// maxima above FftLevel and above the filter's bin nearest(FilterFreq / (rate / (N-1))), at
// most 119; drop peaks below 2 % of the strongest; drop leading peaks below 1/FilterFreq
// of the strongest; BaseFreq = nearest(r * rate / N) with r = InterpolatePeak at the first
// peak. Idle only: drop peaks more than 3 bins from a multiple of the base bin, number the
// rest as harmonics, keep the first strongest of each harmonic, and scale the levels so
// the strongest peak of the scan is 50. Not idle: levels stay raw, harmonics unset.
//
// False, with the tables untouched: FftMagnitude or FftSpectrum null, N not a valid FFT
// size, or rate 0 (no frequency axis). False with PeakCount 0 and BaseFreq kept: no peak
// found, or FilterFreq 0, whose first-peak floor 1/0 is taken as infinite so that every
// peak falls under it.
bool FindPeaks(const PeakInput& in, const PeakTables& out);

// The fractional bin of a peak at x0 = b between its neighbours xL = b-1 and xR = b+1, by
// equal-height interpolation: a symmetric peak is centred midway between the higher
// neighbour and the point of the same height on the line of the other flank. yL = yR
// gives b; a strict maximum gives a result in (b - 0.5, b + 0.5]. A flat flank (a zero
// denominator, impossible at a strict maximum) gives b.
double InterpolatePeak(double xL, double yL, double x0, double y0, double xR, double yR);
