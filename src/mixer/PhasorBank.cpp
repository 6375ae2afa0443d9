#include "mixer/PhasorBank.h"

#include <cmath>

namespace {
constexpr double kTwoPi = 6.283185307179586477;
}

PhasorBank::PhasorBank(const SynthPlan& plan) : plan_(plan) {
  pairs_ = (plan.termCount + 7) / 8 * 4;
  for (int j = 0; j < plan.termCount; ++j) {
    const std::uint64_t step = std::uint64_t(plan.freq) * std::uint64_t(plan.terms[j].k) % plan.rate;
    stepIndex_[j] = step;
    const double theta = kTwoPi * double(step) / plan.rate;
    wRe_[j / 2][j % 2] = std::cos(theta);
    wIm_[j / 2][j % 2] = std::sin(theta);
  }
}

void PhasorBank::Anchor(std::int64_t n0) {
  const std::uint64_t nMod = std::uint64_t(n0) % plan_.rate;
  for (int j = 0; j < plan_.termCount; ++j) {
    const SynthPlan::Term& t = plan_.terms[j];
    // Both factors are below the rate (< 2^32), so the product fits in 64 bits.
    const std::uint64_t m = stepIndex_[j] * nMod % plan_.rate;
    const double angle = kTwoPi * double(m) / plan_.rate + t.phase;
    re_[j / 2][j % 2] = t.amplitude * std::cos(angle);
    im_[j / 2][j % 2] = t.amplitude * std::sin(angle);
  }
}

void PhasorBank::Sums(std::int64_t n0, int count, double* s) {
  Anchor(n0);
  Pair* re = re_.data();
  Pair* im = im_.data();
  const Pair* wr = wRe_.data();
  const Pair* wi = wIm_.data();
  for (int i = 0; i < count; ++i) {
    Pair acc[4] = {};
    for (int p = 0; p < pairs_; p += 4) {
      for (int q = 0; q < 4; ++q) {
        const Pair x = re[p + q], y = im[p + q];
        acc[q] += y;
        re[p + q] = x * wr[p + q] - y * wi[p + q];
        im[p + q] = x * wi[p + q] + y * wr[p + q];
      }
    }
    const Pair total = (acc[0] + acc[1]) + (acc[2] + acc[3]);
    s[i] = total[0] + total[1];
  }
}
