// The take-over of analysed peaks into the mixer's harmonic set.

#include "mixer/AnalysedPeaks.h"

#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <limits>
#include <numbers>

namespace {

// The main window's tables, filled from a list of (harmonic, level, re, im).
struct Peaks {
  struct Peak {
    std::uint32_t harmonic;
    double level;
    TComplex value;
  };
  Peaks(std::initializer_list<Peak> list) {
    for (const Peak& p : list) {
      ++count;
      harmonic[count] = p.harmonic;
      level[count] = p.level;
      value[count] = p.value;
    }
  }
  std::uint32_t count = 0;
  std::uint32_t harmonic[kPeakSlots] = {};
  double level[kPeakSlots] = {};
  TComplex value[kPeakSlots] = {};
  AnalysedPeaks View() const { return {count, harmonic, level, value}; }
};

TEST(TakeOver, LevelsAndPhasesGoToTheirHarmonics) {
  const Peaks peaks{{1, 50.0, {0.0, 0.5}}, {2, 24.5, {0.5, 0.0}}, {4, 16.5, {-0.1, -0.1}}};
  HarmonicSet set;
  TakeOverPeaks(peaks.View(), set);
  EXPECT_EQ(set.HarmCount, 4);
  EXPECT_EQ(set.Amplitude[1], 50);
  EXPECT_EQ(set.Amplitude[2], 24);  // ties to even
  EXPECT_EQ(set.Amplitude[4], 16);
  EXPECT_EQ(set.Amplitude[3], 0);
  // atan2(re, im): a plain sine (0, +0.5) has phase 0; (0.5, 0) is a quarter turn ahead.
  EXPECT_DOUBLE_EQ(set.Phase[1], 0.0);
  EXPECT_DOUBLE_EQ(set.Phase[2], std::numbers::pi / 2);
  EXPECT_DOUBLE_EQ(set.Phase[4], -3 * std::numbers::pi / 4);
  EXPECT_EQ(set.Spectrum[4].re, -0.1);
  EXPECT_EQ(set.Spectrum[4].im, -0.1);
}

TEST(TakeOver, TrailingPeaksAtHarmonic120AndAboveAreIgnored) {
  const Peaks peaks{{1, 50, {0, 1}}, {7, 20, {1, 1}}, {120, 30, {1, 0}}, {200, 40, {1, 0}}};
  HarmonicSet set;
  TakeOverPeaks(peaks.View(), set);
  EXPECT_EQ(set.HarmCount, 7);
  EXPECT_EQ(set.Amplitude[7], 20);
  for (int k = 8; k <= kHarmonics; ++k) EXPECT_EQ(set.Amplitude[k], 0) << k;

  const Peaks none{{120, 30, {1, 0}}, {150, 40, {1, 0}}};
  HarmonicSet empty;
  empty.HarmCount = 9;
  TakeOverPeaks(none.View(), empty);
  EXPECT_EQ(empty.HarmCount, 0);
  TakeOverPeaks(Peaks{}.View(), empty);
  EXPECT_EQ(empty.HarmCount, 0);
}

TEST(TakeOver, HarmonicsNotAmongThePeaksKeepTheirValuesButGetPhasesFromTheirSpectrum) {
  HarmonicSet set;
  set.Amplitude[2] = 30;                 // not a peak, below HarmCount: phase recomputed
  set.Spectrum[2] = {1.0, 0.0};
  set.Phase[2] = 0.25;
  set.Amplitude[3] = 0;                  // off: phase kept
  set.Phase[3] = 0.75;
  set.Amplitude[9] = 10;                 // above the new HarmCount: all kept
  set.Phase[9] = 1.5;
  set.Spectrum[9] = {1.0, 0.0};
  set.Amplitude[5] = 40;                 // below HarmCount with a zero spectrum: phase 0
  set.Phase[5] = 2.0;
  const Peaks peaks{{1, 50, {0, 1}}, {4, 10, {0, 1}}};
  TakeOverPeaks(peaks.View(), set);
  EXPECT_EQ(set.HarmCount, 4);
  EXPECT_EQ(set.Amplitude[2], 30);
  EXPECT_DOUBLE_EQ(set.Phase[2], std::numbers::pi / 2);
  EXPECT_EQ(set.Phase[3], 0.75);
  EXPECT_EQ(set.Amplitude[9], 10);
  EXPECT_EQ(set.Phase[9], 1.5);
  EXPECT_EQ(set.Phase[5], 2.0);  // harmonic 5 lies above HarmCount 4
}

TEST(TakeOver, ZeroSpectrumGivesPhaseZero) {
  const Peaks peaks{{1, 50, {0.0, 0.0}}, {2, 25, {-0.0, -0.0}}};
  HarmonicSet set;
  set.Phase[1] = set.Phase[2] = 1.0;
  TakeOverPeaks(peaks.View(), set);
  EXPECT_EQ(set.Phase[1], 0.0);
  EXPECT_EQ(set.Phase[2], 0.0);
}

TEST(TakeOver, InputsTheAnalysisNeverMakesStayInsideTheTables) {
  Peaks peaks{{0, 50, {0, 1}}, {3, std::numeric_limits<double>::quiet_NaN(), {0, 1}},
              {130, 20, {0, 1}}, {5, 1e300, {0, 1}}, {6, -7, {0, 1}}};
  HarmonicSet set;
  TakeOverPeaks(peaks.View(), set);
  EXPECT_EQ(set.HarmCount, 6);
  EXPECT_EQ(set.Amplitude[0], 0);
  EXPECT_EQ(set.Amplitude[3], 0);
  EXPECT_EQ(set.Amplitude[5], 100);
  EXPECT_EQ(set.Amplitude[6], 0);

  // A count beyond the tables' 119 peaks is read as 119.
  Peaks many{};
  many.count = 5000;
  for (int i = 1; i < kPeakSlots; ++i) {
    many.harmonic[i] = std::uint32_t(i);
    many.level[i] = 1;
    many.value[i] = {0, 1};
  }
  HarmonicSet full;
  TakeOverPeaks(many.View(), full);
  EXPECT_EQ(full.HarmCount, 119);
  EXPECT_EQ(full.Amplitude[119], 1);
  EXPECT_EQ(full.Amplitude[120], 0);
}

}  // namespace
