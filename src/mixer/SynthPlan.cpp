#include "mixer/SynthPlan.h"

#include <algorithm>
#include <numeric>

#include "base/nearest.h"
#include "mixer/FillSilence.h"

SynthPlan::SynthPlan(SampleBits bits_, std::size_t blockBytes, std::uint32_t rate_,
                     const HarmonicSet& set, const ToneSettings& tone)
    : bits(bits_),
      rate(rate_),
      N(std::int64_t(bits_ == SampleBits::Eight ? blockBytes : blockBytes >> 1)),
      D(std::max<std::int64_t>(
          1, Nearest(rate_ * 0.005 * std::clamp<std::int32_t>(tone.FadeSteps, 1, 30)))),
      freq(std::clamp<std::int32_t>(tone.Freq, 1, 2000)),
      volume(std::clamp<std::int32_t>(tone.Volume, 0, 300)),
      silent(rate_ == 0 || D > N),
      period(rate_ == 0 ? 1 : std::int64_t(rate_ / std::gcd(std::uint32_t(freq), rate_))) {
  const double divisor = bits == SampleBits::Eight ? 256.0 : 1.0;
  const int count = set.VisitedCount();
  for (int k = 1; k <= count; ++k) {
    if (set.Amplitude[k] == 0) continue;
    terms[termCount++] = {k, set.Amplitude[k] / divisor, set.Phase[k]};
  }
}

double SynthPlan::LiteralValue(std::int64_t n) const { return Value(FormulaSum<double>(n), n); }

bool SynthPlan::Store(std::uint8_t* block, std::int64_t n, double v) const {
  if (bits == SampleBits::Eight) {
    // Round(v) >= 0 exactly when v >= -0.5 (the tie goes to 0).
    if (!(v >= -0.5 && v <= 240.0)) return false;
    block[n] = std::uint8_t(Nearest(v));
    return true;
  }
  // Round(-32768.5) is -32768 and Round(32767.5) is 32768 (ties to even).
  if (!(v >= -32768.5 && v < 32767.5)) return false;
  const auto u = std::uint16_t(std::int16_t(Nearest(v)));
  block[2 * n] = std::uint8_t(u & 0xFF);
  block[2 * n + 1] = std::uint8_t(u >> 8);
  return true;
}

void SynthPlan::Silence(std::span<std::uint8_t> block) const {
  if (bits == SampleBits::Eight)
    FillSilence8(block);
  else
    FillSilence16(block);
}
