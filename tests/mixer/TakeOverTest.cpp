// The take-over of analysed peaks into the mixer's harmonic set.

#include "mixer/AnalysedPeaks.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <limits>
#include <numbers>
#include <tuple>

namespace {

// The main window's tables from (harmonic, level, re, im) rows.
struct Peaks {
  Peaks(std::initializer_list<std::tuple<std::uint32_t, double, double, double>> rows) {
    for (auto [h, l, re, im] : rows) {
      ++count;
      harmonic[count] = h;
      level[count] = l;
      value[count] = {re, im};
    }
  }
  std::uint32_t count = 0;
  std::uint32_t harmonic[kPeakSlots] = {};
  double level[kPeakSlots] = {};
  TComplex value[kPeakSlots] = {};
  AnalysedPeaks View() const { return {count, harmonic, level, value}; }
};

TEST(TakeOver, PeaksBecomeHarmonicsAndTheRestKeepTheirValues) {
  HarmonicSet set;
  set.Amplitude[2] = 30;  // not a peak, within HarmCount: its phase follows its spectrum
  set.Spectrum[2] = {1.0, 0.0};
  set.Phase[3] = 0.75;    // off: kept
  set.Amplitude[5] = 40;  // beyond the new HarmCount: kept
  set.Phase[5] = 2.0;
  const Peaks peaks{{1, 50, 0.0, 0.5}, {4, 24.5, -0.1, -0.1}, {120, 30, 1, 0}, {200, 9, 1, 0}};
  TakeOverPeaks(peaks.View(), set);
  EXPECT_EQ(set.HarmCount, 4);  // the trailing peaks at 120 and above are dropped
  EXPECT_EQ(set.Amplitude[1], 50);
  EXPECT_EQ(set.Amplitude[4], 24);  // ties to even
  EXPECT_EQ(set.Phase[1], 0.0);     // atan2(re, im): a plain sine (0, +0.5) has phase 0
  EXPECT_DOUBLE_EQ(set.Phase[2], std::numbers::pi / 2);
  EXPECT_DOUBLE_EQ(set.Phase[4], -3 * std::numbers::pi / 4);
  EXPECT_EQ(set.Phase[3], 0.75);
  EXPECT_EQ(set.Phase[5], 2.0);
  EXPECT_EQ(set.Amplitude[5], 40);

  const Peaks zero{{1, 50, -0.0, 0.0}};
  set.Phase[1] = 1.0;
  TakeOverPeaks(zero.View(), set);
  EXPECT_EQ(set.Phase[1], 0.0);
  TakeOverPeaks(Peaks{{121, 50, 0, 1}}.View(), set);
  EXPECT_EQ(set.HarmCount, 0);
}

TEST(TakeOver, InputsTheAnalysisNeverMakesStayInsideTheTables) {
  Peaks peaks{{0, 50, 0, 1},
              {3, std::numeric_limits<double>::quiet_NaN(), 0, 1},
              {130, 20, 0, 1},
              {5, 1e300, 0, 1},
              {6, -7, 0, 1}};
  HarmonicSet set;
  TakeOverPeaks(peaks.View(), set);
  EXPECT_EQ(set.HarmCount, 6);
  EXPECT_EQ(set.Amplitude[0], 0);
  EXPECT_EQ(set.Amplitude[3], 0);
  EXPECT_EQ(set.Amplitude[5], 100);
  EXPECT_EQ(set.Amplitude[6], 0);

  peaks.count = 5000;  // read as 119
  for (std::uint32_t i = 1; i < kPeakSlots; ++i) peaks.harmonic[i] = i;
  TakeOverPeaks(peaks.View(), set);
  EXPECT_EQ(set.HarmCount, 119);
}

}  // namespace
