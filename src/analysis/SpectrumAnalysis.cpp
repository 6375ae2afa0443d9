#include "analysis/SpectrumAnalysis.h"

#include <algorithm>

namespace {
template <class T>
HeapPtr<T> Zeroed(std::uint32_t n) {
  HeapPtr<T> p(static_cast<T*>(Heap::Alloc(std::size_t(n) * sizeof(T))));
  if (p) std::fill_n(p.get(), n, T{});
  return p;
}
}  // namespace

bool SpectrumAnalysis::Allocate(std::uint32_t n) {
  // In this order, each only if the one before it was made.
  magnitude_ = Zeroed<double>(n);
  if (magnitude_) input_ = Zeroed<double>(n);
  if (input_) work_ = Zeroed<TComplex>(n);
  if (work_) spectrum_ = Zeroed<TComplex>(n);
  if (spectrum_) return true;
  Release();
  return false;
}

void SpectrumAnalysis::Release() {
  magnitude_.reset();
  input_.reset();
  work_.reset();
  spectrum_.reset();
}

FftArrays SpectrumAnalysis::Arrays() const {
  return FftArrays{input_.get(), magnitude_.get(), spectrum_.get(), work_.get()};
}

bool SpectrumAnalysis::FindPeaks(const Search& s) {
  const PeakInput in{magnitude_.get(), spectrum_.get(), s.N, s.rate, s.level, s.filterFreq, s.idle};
  const PeakTables out{PeakCount, PeakLevel, PeakHarmonic, PeakValue, BaseFreq};
  return ::FindPeaks(in, out);
}
