#include "analysis/PeakAnalysis.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>

#include "analysis/PeakCandidates.h"
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
  std::array<int, kPeakSlots> bin;  // written before it is read
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

  // The accepted bins, in order: strict local maxima above the level and past the filter's
  // bin, at most 119. An accepted peak is above a neighbour >= 0, so none means no peak.
  std::array<int, kPeakSlots> found;
  const int from = int(std::clamp<std::int64_t>(low + 1, 1, N));
  const int count = PeakCandidates(m, from, N / 2 - 1, in.FftLevel, found.data(), kPeakCapacity);
  out.PeakCount = 0;
  if (count == 0) return false;
  double strongest = 0;
  for (int j = 0; j < count; ++j) strongest = std::max(strongest, m[found[j]]);

  // Into the tables, in the same pass, the peaks whose level / strongest >= 0.02 (in long
  // double). A level farther than a relative 1e-9 from 0.02 * strongest (far beyond the
  // double product's rounding) is decided by that product, with one compare and no branch:
  // noise puts many peaks on either side. The tables are written for every peak and the
  // count moves on only for those kept.
  PeakList peaks(out);
  const bool finite = std::isfinite(strongest);  // else every level takes the division
  const double edge = strongest * 0.02, band = strongest * 1e-9;
  int kept = 0;
  for (int j = 0; j < count; ++j) {
    const int i = found[j];
    const double level = m[i];
    int keep = level >= edge;  // a NaN level: false, as by the division
    if (__builtin_expect(std::fabs(level - edge) <= band || !finite, 0))
      keep = (long double)level / strongest >= kRelativeFloor;
    out.PeakLevel[kept + 1] = level;
    out.PeakValue[kept + 1] = in.FftSpectrum[i];
    peaks.bin[kept + 1] = i;
    kept += keep;
  }
  peaks.count = kept;
  // First-peak floor 1/FilterFreq; FilterFreq 0 makes it infinite: no peak passes. The
  // leading peaks under it go in one pass.
  if (in.FilterFreq == 0) {
    peaks.count = 0;
  } else {
    // As above, a level well clear of the floor is decided without the division.
    const long double floor = 1.0L / in.FilterFreq;
    const double floorEdge = strongest * double(floor), floorBand = strongest * 1e-9;
    auto below = [&](double level) {
      if (finite && std::fabs(level - floorEdge) > floorBand) return level < floorEdge;
      return (long double)level / strongest < floor;
    };
    int first = 1;
    while (first <= peaks.count && below(out.PeakLevel[first])) ++first;
    if (first > 1) peaks.Filter([first](int k) { return k >= first; });
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
