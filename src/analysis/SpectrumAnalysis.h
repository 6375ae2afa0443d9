#pragma once
// The four analysis arrays that every spectrum drawing fills, and the harmonic peak tables
// that the peak search writes from them: the readout shows BaseFreq, and the tone mixer
// takes the harmonics over. The arrays are made once for the largest window (4096 points)
// and live until Release.
//
// Threads: GUI thread only (drawings, the search and the mixer all run there).

#include <cstdint>

#include "analysis/FftArrays.h"
#include "analysis/PeakAnalysis.h"
#include "base/HeapPtr.h"

class SpectrumAnalysis {
public:
  static constexpr std::uint32_t kMaxFftSize = 4096;

  // Makes the four arrays (zeroed, so that a search before the first drawing finds
  // silence). False when memory runs out: then none is held.
  bool Allocate(std::uint32_t n = kMaxFftSize);
  void Release();
  // The arrays for a drawing; all null when none is held.
  FftArrays Arrays() const;
  bool HasArrays() const { return magnitude_ != nullptr; }

  // What a search needs besides the arrays.
  struct Search {
    std::int32_t N = 512;           // the window drawn last
    std::uint32_t rate = 0;         // Hz of the sound drawn
    double level = 0;               // magnitude a peak must exceed
    std::uint32_t filterFreq = 20;  // Hz: the lowest bin
    bool idle = true;               // neither playing nor recording: sort harmonics
  };
  // The peak search on the arrays as the last drawing left them; true: BaseFreq is valid.
  bool FindPeaks(const Search& s);

  // The peak tables, indices 1 .. 119 in use.
  std::uint32_t PeakCount = 0;
  double PeakLevel[kPeakSlots] = {};
  std::uint32_t PeakHarmonic[kPeakSlots] = {};
  TComplex PeakValue[kPeakSlots] = {};
  std::int32_t BaseFreq = 0;  // Hz

private:
  HeapPtr<double> magnitude_, input_;
  HeapPtr<TComplex> work_, spectrum_;
};
