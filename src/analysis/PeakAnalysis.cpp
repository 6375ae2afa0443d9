#include "analysis/PeakAnalysis.h"

#include <array>
#include <cmath>
#include <cstdlib>

#include "base/nearest.h"

namespace {

constexpr long double kRelativeFloor = 0.02L;
constexpr int kHarmonicTolerance = 3;  // bins from a multiple of the base bin
constexpr double kLevelScale = 50.0;

// The peak lists while they are being thinned: level, value and (once numbered) harmonic
// live in the caller's tables, the bin in a local list; all share indices 1 .. count.
class PeakList {
public:
  explicit PeakList(const PeakTables& t) : t_(t) {}
  int count = 0;
  std::array<int, kPeakSlots> bin{};
  bool numbered = false;

  // Keeps the peaks for which keep(k) holds, in order.
  template <class Keep>
  void Filter(Keep keep) {
    int kept = 0;
    for (int k = 1; k <= count; ++k) {
      if (!keep(k)) continue;
      ++kept;
      if (kept == k) continue;
      t_.PeakLevel[kept] = t_.PeakLevel[k];
      t_.PeakValue[kept] = t_.PeakValue[k];
      bin[kept] = bin[k];
      if (numbered) t_.PeakHarmonic[kept] = t_.PeakHarmonic[k];
    }
    count = kept;
  }
  void RemoveFirst() {
    Filter([](int k) { return k != 1; });
  }

private:
  const PeakTables& t_;
};

}  // namespace

double InterpolatePeak(double xL, double yL, double x0, double y0, double xR, double yR) {
  if (yL > yR) {  // leans left: the right flank at height yL
    const double den = yR - y0;
    if (den == 0) return x0;
    const double t = x0 + (yL - y0) / den;
    return (xL + t) / 2;
  }
  const double den = y0 - yL;  // the left flank at height yR
  if (den == 0) return x0;
  const double t = x0 + (yR - y0) / den;
  return (xR + t) / 2;
}

bool FindPeaks(const PeakInput& in, const PeakTables& out) {
  const double* m = in.FftMagnitude;
  if (!m || !in.FftSpectrum || !IsFftSize(in.N) || in.rate == 0) return false;
  const int N = in.N;
  // The filter's bin; bins at or below it are not peaks. Finite: rate > 0.
  const std::int64_t low = Nearest(double(in.FilterFreq) / (double(in.rate) / (N - 1)));

  PeakList peaks(out);
  double strongest = 0;
  for (int i = 1; i <= N / 2 - 1 && peaks.count < kPeakCapacity; ++i) {
    if (i > low && m[i - 1] < m[i] && m[i] > m[i + 1] && m[i] > in.FftLevel) {
      const int k = ++peaks.count;
      out.PeakLevel[k] = m[i];
      out.PeakValue[k] = in.FftSpectrum[i];
      peaks.bin[k] = i;
      if (m[i] > strongest) strongest = m[i];
    }
  }
  out.PeakCount = std::uint32_t(peaks.count);
  if (strongest == 0) return false;  // no peak (an accepted peak is above a neighbour >= 0)

  peaks.Filter([&](int k) { return (long double)out.PeakLevel[k] / strongest >= kRelativeFloor; });
  // First-peak floor 1/FilterFreq; FilterFreq 0 makes it infinite: no peak passes.
  if (in.FilterFreq == 0) {
    peaks.count = 0;
  } else {
    const long double floor = 1.0L / in.FilterFreq;
    while (peaks.count > 0 && (long double)out.PeakLevel[1] / strongest < floor)
      peaks.RemoveFirst();
  }
  out.PeakCount = std::uint32_t(peaks.count);
  if (peaks.count == 0) return false;

  const int b = peaks.bin[1];
  const double r = InterpolatePeak(b - 1, m[b - 1], b, m[b], b + 1, m[b + 1]);
  out.BaseFreq = std::int32_t(Nearest(r * in.rate / N));  // r < N/2: below rate/2
  if (!in.idle) return true;

  // Harmonic test: keep the peaks within 3 bins of a multiple of the base bin.
  auto harmonic = [&](int k) { return Nearest(double(peaks.bin[k]) / b); };
  peaks.Filter([&](int k) {
    return k == 1 || std::llabs(peaks.bin[k] - harmonic(k) * b) <= kHarmonicTolerance;
  });
  for (int k = 1; k <= peaks.count; ++k) out.PeakHarmonic[k] = std::uint32_t(harmonic(k));
  peaks.numbered = true;

  // Merge runs of one harmonic number into the first of their greatest level.
  std::array<bool, kPeakSlots> keep{};
  for (int k = 1; k <= peaks.count;) {
    int best = k, end = k + 1;
    for (; end <= peaks.count && out.PeakHarmonic[end] == out.PeakHarmonic[k]; ++end)
      if (out.PeakLevel[end] > out.PeakLevel[best]) best = end;
    keep[best] = true;
    k = end;
  }
  peaks.Filter([&](int k) { return keep[k]; });
  out.PeakCount = std::uint32_t(peaks.count);

  for (int k = 1; k <= peaks.count; ++k)
    out.PeakLevel[k] = out.PeakLevel[k] * kLevelScale / strongest;
  return true;
}
