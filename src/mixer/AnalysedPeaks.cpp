#include "mixer/AnalysedPeaks.h"

#include <algorithm>
#include <cmath>

#include "base/nearest.h"

void TakeOverPeaks(const AnalysedPeaks& peaks, HarmonicSet& set) {
  int m = int(std::min<std::uint32_t>(peaks.PeakCount, kPeakCapacity));
  while (m >= 1 && peaks.PeakHarmonic[m] >= kHarmonics) --m;
  set.HarmCount = m >= 1 ? std::int32_t(peaks.PeakHarmonic[m]) : 0;

  for (int i = 1; i <= m; ++i) {
    const std::uint32_t h = peaks.PeakHarmonic[i];
    if (h == 0 || h >= kHarmonics) continue;
    const double level = peaks.PeakLevel[i];
    set.Amplitude[h] = std::isnan(level) ? 0 : std::int32_t(Nearest(std::clamp(level, 0.0, 100.0)));
    set.Spectrum[h] = peaks.PeakValue[i];
  }

  for (int k = 1; k <= set.HarmCount; ++k) {
    if (set.Amplitude[k] == 0) continue;
    const TComplex& x = set.Spectrum[k];
    set.Phase[k] = (x.re == 0.0 && x.im == 0.0) ? 0.0 : std::atan2(x.re, x.im);
  }
}
