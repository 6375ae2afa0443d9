#pragma once
// The four analysis arrays a spectrum drawing fills and the peak search reads: each holds
// at least as many elements as the FFT size used, and none overlaps another. Borrowed; the
// owner (SpectrumAnalysis) keeps them alive. A null member means "not allocated".

#include "analysis/myfft.h"

struct FftArrays {
  double* input = nullptr;       // windowed samples
  double* magnitude = nullptr;   // |X[k]|
  TComplex* spectrum = nullptr;  // X[k]
  TComplex* work = nullptr;      // scratch

  bool Complete() const { return input && magnitude && spectrum && work; }
};
