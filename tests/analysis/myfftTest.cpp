#include "analysis/myfft.h"

#include "analysis/FftPlan.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <random>
#include <vector>

namespace {

constexpr double kGuard = -7777.0;
constexpr long double kPi = 3.141592653589793238462643383279502884L;

struct Arrays {
  explicit Arrays(int n)
      : input(n), magnitude(n, kGuard), result(n, {kGuard, kGuard}), work(n, {kGuard, kGuard}) {}
  std::vector<double> input, magnitude;
  std::vector<TComplex> result, work;
  bool Run(int n) { return Fft(n, input.data(), magnitude.data(), result.data(), work.data()); }
};

// X[k] = (1/N) sum x[n] exp(+2 pi i k n / N), in long double.
std::vector<TComplex> DirectSum(const std::vector<double>& x) {
  const int n = int(x.size());
  std::vector<long double> c(n), s(n);
  for (int j = 0; j < n; ++j) {
    c[j] = std::cos(2 * kPi * j / n);
    s[j] = std::sin(2 * kPi * j / n);
  }
  std::vector<TComplex> out(n);
  for (int k = 0; k < n; ++k) {
    long double re = 0, im = 0;
    for (int j = 0; j < n; ++j) {
      const int e = int((std::int64_t(k) * j) % n);
      re += x[j] * c[e];
      im += x[j] * s[e];
    }
    out[k] = {double(re / n), double(im / n)};
  }
  return out;
}

TEST(Fft, Fft_MatchesDirectSumForEveryPowerOfTwoOnEveryPath) {
  std::mt19937 gen(4096);
  std::uniform_real_distribution<double> sample(-32768.0, 32767.0);
  for (int n = 2; n <= 4096; n *= 2) {
    Arrays a(n);
    for (double& v : a.input) v = sample(gen);
    const std::vector<TComplex> ref = DirectSum(a.input);
    for (SimdPath path : {SimdPath::Portable, SimdPath::Avx2Fma}) {
      if (!SimdPathRuns(path)) continue;
      SCOPED_TRACE(testing::Message() << n << " points, path " << int(path));
      Arrays b = a;
      FftPlan::ForSize(n)->Run(b.input.data(), b.magnitude.data(), b.result.data(), b.work.data(),
                               FftBins::All, path);
      // Samples up to 32768: the observed error is about 1e-12, a wrong twiddle gives ~1.
      const double tol = 1e-11;
      for (int k = 0; k < n; ++k) {
        ASSERT_NEAR(b.result[k].re, ref[k].re, tol) << "bin " << k;
        ASSERT_NEAR(b.result[k].im, ref[k].im, tol) << "bin " << k;
      }
      for (int k = 0; k <= n - 2; ++k)
        ASSERT_NEAR(b.magnitude[k], std::hypot(ref[k].re, ref[k].im), tol) << "bin " << k;
      EXPECT_EQ(b.magnitude[n - 1], kGuard);

      // The lower half alone: the same bits there, nothing written above it.
      if (n < 4) continue;
      Arrays h = a;
      FftPlan::ForSize(n)->Run(h.input.data(), h.magnitude.data(), h.result.data(), h.work.data(),
                               FftBins::LowerHalf, path);
      for (int k = 0; k < n; ++k) {
        const bool lower = k <= n / 2;
        ASSERT_EQ(h.result[k].re, lower ? b.result[k].re : kGuard) << "bin " << k;
        ASSERT_EQ(h.result[k].im, lower ? b.result[k].im : kGuard) << "bin " << k;
        ASSERT_EQ(h.magnitude[k], lower ? b.magnitude[k] : kGuard) << "bin " << k;
      }
    }
  }
}

TEST(Fft, Fft_UnitSineAndCosineSigns) {
  for (int n : {16, 4096}) {
    SCOPED_TRACE(n);
    const int k0 = n == 16 ? 3 : 100;
    Arrays a(n), c(n);
    for (int j = 0; j < n; ++j) a.input[j] = std::sin(2 * kPi * k0 * j / n);
    for (int j = 0; j < n; ++j) c.input[j] = std::cos(2 * kPi * k0 * j / n);
    ASSERT_TRUE(a.Run(n));
    ASSERT_TRUE(c.Run(n));
    for (int k : {k0, n - k0}) {  // a cosine is (0.5, 0) at both bins
      EXPECT_NEAR(c.result[k].re, 0.5, 1e-15);
      EXPECT_NEAR(c.result[k].im, 0.0, 1e-15);
    }
    EXPECT_NEAR(a.result[k0].re, 0.0, 1e-15);
    EXPECT_NEAR(a.result[k0].im, 0.5, 1e-15);
    EXPECT_NEAR(a.result[n - k0].re, 0.0, 1e-15);
    EXPECT_NEAR(a.result[n - k0].im, -0.5, 1e-15);
    EXPECT_NEAR(a.magnitude[k0], 0.5, 1e-15);
    EXPECT_NEAR(a.magnitude[n - k0], 0.5, 1e-15);
    for (int k = 0; k <= n - 2; ++k) {
      if (k != k0 && k != n - k0) {
        EXPECT_NEAR(a.magnitude[k], 0.0, 1e-14) << k;
      }
    }
    EXPECT_EQ(a.magnitude[n - 1], kGuard);  // N-1 values written
  }
}

TEST(Fft, Fft_ConstantGoesToBinZero) {
  const int n = 512;
  Arrays a(n);
  for (double& v : a.input) v = 3.25;
  ASSERT_TRUE(a.Run(n));
  EXPECT_DOUBLE_EQ(a.result[0].re, 3.25);
  EXPECT_EQ(a.result[0].im, 0.0);
  for (int k = 1; k < n; ++k) EXPECT_NEAR(std::hypot(a.result[k].re, a.result[k].im), 0, 1e-14);
}

TEST(Fft, Fft_TwoPointsRunNoMiddleStage) {
  Arrays a(2);
  a.input = {5.0, 2.0};
  ASSERT_TRUE(a.Run(2));
  EXPECT_EQ(a.result[0].re, 3.5);
  EXPECT_EQ(a.result[0].im, 0.0);
  EXPECT_EQ(a.result[1].re, 1.5);
  EXPECT_EQ(a.result[1].im, 0.0);
  EXPECT_EQ(a.magnitude[0], 3.5);
  EXPECT_EQ(a.magnitude[1], kGuard);
}

TEST(Fft, Fft_RejectedSizeWritesNothing) {
  for (int n : {1, 0, -2, -4096, 3, 5, 1000, 4095, 4097, 8192, INT_MIN, INT_MAX}) {
    SCOPED_TRACE(n);
    Arrays a(8192);
    for (double& v : a.input) v = 1.0;
    EXPECT_FALSE(a.Run(n));
    for (int k = 0; k < 8192; ++k) {
      ASSERT_EQ(a.magnitude[k], kGuard);
      ASSERT_EQ(a.result[k].re, kGuard);
      ASSERT_EQ(a.result[k].im, kGuard);
      ASSERT_EQ(a.work[k].re, kGuard);
      ASSERT_EQ(a.work[k].im, kGuard);
    }
  }
}

TEST(Fft, Fft_NullArrayIsRefused) {
  Arrays a(8);
  EXPECT_FALSE(Fft(8, nullptr, a.magnitude.data(), a.result.data(), a.work.data()));
  EXPECT_FALSE(Fft(8, a.input.data(), nullptr, a.result.data(), a.work.data()));
  EXPECT_FALSE(Fft(8, a.input.data(), a.magnitude.data(), nullptr, a.work.data()));
  EXPECT_FALSE(Fft(8, a.input.data(), a.magnitude.data(), a.result.data(), nullptr));
  EXPECT_EQ(a.result[0].re, kGuard);
  EXPECT_EQ(a.magnitude[0], kGuard);
}

TEST(Fft, BitReverse_TakesTopBitsReversed) {
  EXPECT_EQ(BitReverse(3, 3, 6), 3);
  EXPECT_EQ(BitReverse(4, 2, 0b1000), 0b01);  // top bits 10 reversed
  EXPECT_EQ(BitReverse(4, 1, 0b0111), 0);
  EXPECT_EQ(BitReverse(12, 0, 4095), 0);
  for (int j = 0; j < 4096; ++j) ASSERT_EQ(BitReverse(12, 12, BitReverse(12, 12, j)), j);
  // Out of range: no shift by a negative count, just 0.
  EXPECT_EQ(BitReverse(3, 4, 5), 0);
  EXPECT_EQ(BitReverse(3, -1, 5), 0);
  EXPECT_EQ(BitReverse(40, 3, 5), 0);
  EXPECT_EQ(BitReverse(3, 3, -1), 0);
}

}  // namespace
