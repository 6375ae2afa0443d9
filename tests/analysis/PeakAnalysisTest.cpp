#include "analysis/PeakAnalysis.h"

#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <random>
#include <vector>

#include "analysis/PeakCandidates.h"
#include "analysis/PixelCanvas.h"
#include "analysis/mygraph.h"

namespace {

constexpr long double kPi = 3.141592653589793238462643383279502884L;
constexpr double kStartLevel = 25.6 / 255;  // 0.1004, the start level for 8 bits

// The main window's tables, with guard values to see what was written.
struct Tables {
  Tables() {
    for (int k = 0; k < kPeakSlots; ++k) {
      level[k] = -1;
      harmonic[k] = 999;
      value[k] = {-1, -1};
    }
  }
  std::uint32_t count = 777;
  double level[kPeakSlots];
  std::uint32_t harmonic[kPeakSlots];
  TComplex value[kPeakSlots];
  std::int32_t base = -5;
  PeakTables Out() { return {count, level, harmonic, value, base}; }
};

// The analysis arrays after the spectrum plot of an 8-bit mono sound, 512 points.
struct Spectrum {
  std::vector<double> input = std::vector<double>(4096), magnitude = std::vector<double>(4096);
  std::vector<TComplex> spectrum = std::vector<TComplex>(4096), work = std::vector<TComplex>(4096);

  // Sum of sines (Hz, amplitude), 128 + nearest(...) per byte, at 8000 Hz.
  explicit Spectrum(std::initializer_list<std::pair<double, double>> tones) {
    std::vector<std::uint8_t> d(512);
    for (int i = 0; i < 512; ++i) {
      double v = 0;
      for (auto [hz, a] : tones) v += a * std::sin(2 * kPi * hz * i / 8000);
      d[i] = std::uint8_t(128 + std::nearbyint(v));
    }
    std::vector<std::uint32_t> px(393 * 177);
    PixelCanvas box(px.data(), 393, 177, 393);
    DrawSpectrumBox(box, SoundView{d.data(), 512, 1, 8, 0, 512},
                    SpectrumStyle{8000, 1, 4000, std::nullopt},
                    FftArrays{input.data(), magnitude.data(), spectrum.data(), work.data()});
  }
  PeakInput In(bool idle = true, double level = kStartLevel, std::uint32_t filter = 20) const {
    return {magnitude.data(), spectrum.data(), 512, 8000, level, filter, idle};
  }
};

// A hand-made magnitude spectrum of 512 points: triangular peaks (bin, height), shoulders
// at half height, zero elsewhere.
struct Synthetic {
  std::vector<double> m = std::vector<double>(512, 0.0);
  std::vector<TComplex> x = std::vector<TComplex>(512, TComplex{0, 0});
  explicit Synthetic(std::initializer_list<std::pair<int, double>> peaks) {
    for (auto [b, h] : peaks) {
      m[b] = h;
      m[b - 1] = std::max(m[b - 1], h / 2);
      m[b + 1] = std::max(m[b + 1], h / 2);
      x[b] = {double(b), h};
    }
  }
  PeakInput In(bool idle = true, std::uint32_t filter = 20, std::uint32_t rate = 8000) const {
    return {m.data(), x.data(), 512, rate, kStartLevel, filter, idle};
  }
};

TEST(PeakAnalysis, FindPeaks_SineAt1000Hz) {
  const Spectrum s({{1000, 100}});
  Tables t;
  ASSERT_TRUE(FindPeaks(s.In(), t.Out()));
  EXPECT_EQ(t.base, 1000);
  EXPECT_EQ(t.count, 1u);
  EXPECT_EQ(t.harmonic[1], 1u);
  EXPECT_DOUBLE_EQ(t.level[1], 50.0);
  EXPECT_EQ(t.value[1].re, s.spectrum[64].re);
  EXPECT_EQ(t.value[1].im, s.spectrum[64].im);
  EXPECT_NEAR(InterpolatePeak(63, s.magnitude[63], 64, s.magnitude[64], 65, s.magnitude[65]), 64.0,
              0.01);
  EXPECT_EQ(t.level[0], -1.0);  // slot 0 unused
}

TEST(PeakAnalysis, FindPeaks_SineAt440HzInterpolatesBetweenBins) {
  const Spectrum s({{440, 100}});  // bin 28.16
  Tables t;
  ASSERT_TRUE(FindPeaks(s.In(), t.Out()));
  const double r = InterpolatePeak(27, s.magnitude[27], 28, s.magnitude[28], 29, s.magnitude[29]);
  EXPECT_NEAR(r, 28.185, 0.005);
  EXPECT_EQ(t.base, 440);
}

TEST(PeakAnalysis, FindPeaks_ChordOf250500And750Hz) {
  const Spectrum s({{250, 60}, {500, 30}, {750, 20}});
  Tables t;
  ASSERT_TRUE(FindPeaks(s.In(), t.Out()));
  EXPECT_EQ(t.base, 250);
  ASSERT_EQ(t.count, 3u);
  EXPECT_EQ(t.harmonic[1], 1u);
  EXPECT_EQ(t.harmonic[2], 2u);
  EXPECT_EQ(t.harmonic[3], 3u);
  EXPECT_DOUBLE_EQ(t.level[1], 50.0);
  EXPECT_NEAR(t.level[2], 25.0, 0.1);
  EXPECT_NEAR(t.level[3], 16.6, 0.1);
}

TEST(PeakAnalysis, FindPeaks_LevelMustBeStrictlyExceeded) {
  const Spectrum s({{1000, 100}});
  Tables at;
  EXPECT_FALSE(FindPeaks(s.In(true, s.magnitude[64]), at.Out()));
  EXPECT_EQ(at.count, 0u);
  EXPECT_EQ(at.base, -5);  // kept
  Tables below;
  EXPECT_TRUE(FindPeaks(s.In(true, std::nextafter(s.magnitude[64], 0.0)), below.Out()));
  EXPECT_EQ(below.base, 1000);
}

TEST(PeakAnalysis, FindPeaks_WhilePlayingLevelsStayRaw) {
  const Spectrum s({{250, 60}, {500, 30}, {750, 20}});
  Tables t;
  ASSERT_TRUE(FindPeaks(s.In(false), t.Out()));
  EXPECT_EQ(t.base, 250);
  ASSERT_EQ(t.count, 3u);
  EXPECT_EQ(t.level[1], s.magnitude[16]);
  EXPECT_EQ(t.level[2], s.magnitude[32]);
  EXPECT_EQ(t.level[3], s.magnitude[48]);
  EXPECT_EQ(t.harmonic[1], 999u);  // not numbered
}

TEST(PeakAnalysis, FindPeaks_HarmonicTestKeepsThreeBinsDropsFour) {
  // Base bin 10; bin 23 is 3 from 20, bin 34 is 4 from 30, bin 41 is 1 from 40.
  const Synthetic s({{10, 10}, {23, 8}, {34, 6}, {41, 4}});
  Tables t;
  ASSERT_TRUE(FindPeaks(s.In(), t.Out()));
  ASSERT_EQ(t.count, 3u);
  EXPECT_EQ(t.harmonic[1], 1u);
  EXPECT_EQ(t.harmonic[2], 2u);
  EXPECT_EQ(t.harmonic[3], 4u);
  EXPECT_EQ(t.value[2].im, 8.0);
  EXPECT_EQ(t.value[3].im, 4.0);
  EXPECT_DOUBLE_EQ(t.level[3], 20.0);  // 4 * 50 / 10
}

TEST(PeakAnalysis, FindPeaks_MergeKeepsFirstStrongestOfAHarmonic) {
  // Bins 19 and 21 are both harmonic 2 of bin 10; 29 and 31 (equal) are both 3.
  const Synthetic s({{10, 10}, {19, 5}, {21, 8}, {29, 6}, {31, 6}});
  Tables t;
  ASSERT_TRUE(FindPeaks(s.In(), t.Out()));
  ASSERT_EQ(t.count, 3u);
  EXPECT_EQ(t.value[2].im, 8.0);   // bin 21
  EXPECT_EQ(t.value[3].re, 29.0);  // the first of two equal ones
  EXPECT_EQ(t.harmonic[3], 3u);
  EXPECT_DOUBLE_EQ(t.level[2], 40.0);
}

TEST(PeakAnalysis, FindPeaks_FloorsDropWeakPeaks) {
  // Against the strongest (100): bin 5 (1 %) falls under the 2 % floor, bin 8 (4 %) under
  // the first-peak floor 1/20 = 5 %; bin 30 (3 %) is not first and stays.
  const Synthetic s({{5, 1}, {8, 4}, {15, 100}, {30, 3}});
  Tables t;
  ASSERT_TRUE(FindPeaks(s.In(false), t.Out()));
  ASSERT_EQ(t.count, 2u);
  EXPECT_EQ(t.level[1], 100.0);
  EXPECT_EQ(t.level[2], 3.0);
  EXPECT_EQ(t.base, 234);  // bin 15 of 512 at 8000 Hz
  // A higher filter frequency lowers the first-peak floor: at 40 Hz (2.5 %) bin 8 stays.
  Tables high;
  ASSERT_TRUE(FindPeaks(s.In(false, 40), high.Out()));
  EXPECT_EQ(high.level[1], 4.0);
  EXPECT_EQ(high.base, 125);
}

TEST(PeakAnalysis, FindPeaks_FloorsHoldExactlyAtTheirEdges) {
  // Against the strongest (100): exactly 2 % stays, one ulp less goes; exactly 1/20 = 5 %
  // may be the first peak, one ulp less may not. The shortcuts around the divisions must
  // decide these as the divisions do.
  const double under2 = std::nextafter(2.0, 0.0), under5 = std::nextafter(5.0, 0.0);
  Tables t;
  ASSERT_TRUE(FindPeaks(Synthetic({{8, 5}, {15, 100}, {30, 2}, {40, under2}}).In(false), t.Out()));
  ASSERT_EQ(t.count, 3u);
  EXPECT_EQ(t.level[1], 5.0);
  EXPECT_EQ(t.level[3], 2.0);
  Tables u;
  ASSERT_TRUE(FindPeaks(Synthetic({{8, under5}, {15, 100}}).In(false), u.Out()));
  ASSERT_EQ(u.count, 1u);
  EXPECT_EQ(u.level[1], 100.0);
}

TEST(PeakAnalysis, PeakCandidates_BothPathsFindTheSameBins) {
  // Noise with plateaus, NaNs and the 119 limit reached or not.
  std::mt19937 gen(119);
  std::vector<double> m(2050);
  for (double& v : m) v = std::floor(std::uniform_real_distribution<double>(0, 6)(gen));
  for (int i = 7; i < 2050; i += 97) m[i] = std::nan("");
  for (int to : {9, 200, 2048}) {
    int portable[119], avx2[119];
    const int n = PeakCandidates(m.data(), 1, to, 2.5, portable, 119, SimdPath::Portable);
    EXPECT_EQ(n, to < 2000 ? n : 119);
    if (!SimdPathRuns(SimdPath::Avx2Fma)) continue;
    ASSERT_EQ(PeakCandidates(m.data(), 1, to, 2.5, avx2, 119, SimdPath::Avx2Fma), n) << to;
    for (int k = 0; k < n; ++k) ASSERT_EQ(avx2[k], portable[k]) << to << " " << k;
  }
}

TEST(PeakAnalysis, FindPeaks_BinsAtOrBelowTheFilterAreIgnored) {
  const Synthetic s({{10, 10}, {40, 5}});
  Tables t;
  // low = nearest(625 / (8000 / 511)) = nearest(39.9) = 40: bin 40 is not above it.
  EXPECT_FALSE(FindPeaks(s.In(true, 625), t.Out()));
  Tables u;
  // low = nearest(600 * 511 / 8000) = 38: bin 40 is the only peak.
  ASSERT_TRUE(FindPeaks(s.In(true, 600), u.Out()));
  EXPECT_EQ(u.base, 625);
}

TEST(PeakAnalysis, FindPeaks_FilterFreqZeroLeavesNoPeak) {
  const Spectrum s({{1000, 100}});
  Tables t;
  EXPECT_FALSE(FindPeaks(s.In(true, kStartLevel, 0), t.Out()));
  EXPECT_EQ(t.count, 0u);
  EXPECT_EQ(t.base, -5);
}

TEST(PeakAnalysis, FindPeaks_CapacityIs119) {
  std::vector<double> m(4096, 0.0);
  std::vector<TComplex> x(4096);
  for (int i = 2; i < 2048; i += 2) m[i] = 1.0;  // 1023 equal peaks
  Tables t;
  ASSERT_TRUE(FindPeaks({m.data(), x.data(), 4096, 8000, 0.5, 20, false}, t.Out()));
  EXPECT_EQ(t.count, 119u);
  EXPECT_EQ(t.level[0], -1.0);
  EXPECT_EQ(t.level[119], 1.0);
  Tables idle;
  ASSERT_TRUE(FindPeaks({m.data(), x.data(), 4096, 8000, 0.5, 20, true}, idle.Out()));
  EXPECT_LE(idle.count, 119u);
}

TEST(PeakAnalysis, FindPeaks_DegenerateInputsReturnFalseUntouched) {
  const Synthetic s({{10, 10}});
  Tables t;
  EXPECT_FALSE(FindPeaks({nullptr, s.x.data(), 512, 8000, 0.1, 20, true}, t.Out()));
  EXPECT_FALSE(FindPeaks({s.m.data(), nullptr, 512, 8000, 0.1, 20, true}, t.Out()));
  EXPECT_FALSE(FindPeaks(s.In(true, 20, 0), t.Out()));  // rate 0
  for (int n : {0, 1, 500, 8192})
    EXPECT_FALSE(FindPeaks({s.m.data(), s.x.data(), n, 8000, 0.1, 20, true}, t.Out()));
  EXPECT_EQ(t.count, 777u);
  EXPECT_EQ(t.base, -5);
  // Silence: no peak, PeakCount 0.
  const std::vector<double> zero(512, 0.0);
  EXPECT_FALSE(FindPeaks({zero.data(), s.x.data(), 512, 8000, -1.0, 20, true}, t.Out()));
  EXPECT_EQ(t.count, 0u);
  EXPECT_EQ(t.base, -5);
}

TEST(PeakAnalysis, InterpolatePeak_EqualHeightCentre) {
  EXPECT_EQ(InterpolatePeak(9, 5, 10, 8, 11, 5), 10.0);
  // Leaning right: left flank at height 6 is x = 9 + 1/3... centre between it and 11.
  EXPECT_DOUBLE_EQ(InterpolatePeak(9, 2, 10, 8, 11, 6), (11 + (10 + (6.0 - 8) / 6)) / 2);
  EXPECT_DOUBLE_EQ(InterpolatePeak(9, 6, 10, 8, 11, 2), (9 + (10 + (6.0 - 8) / (2 - 8))) / 2);
  const double r = InterpolatePeak(9, 7.99, 10, 8, 11, 0);
  EXPECT_GT(r, 9.5);
  EXPECT_LT(r, 10.0);
  // Not a strict maximum: a flank is flat, and the peak stays at b.
  EXPECT_EQ(InterpolatePeak(9, 8, 10, 8, 11, 9), 10.0);
  EXPECT_EQ(InterpolatePeak(9, 9, 10, 8, 11, 8), 10.0);
}

}  // namespace
