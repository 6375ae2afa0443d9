#include "analysis/myfft.h"

#include "analysis/FftPlan.h"

bool IsFftSize(std::int32_t N) {
  // The powers 2, 4, ..., 4096 (log2 N from 1 to 12); N = 1 and N <= 0 are refused.
  return N >= 2 && N <= 4096 && (N & (N - 1)) == 0;
}

int BitReverse(int M, int K, int j) {
  if (K < 0 || M < K || M > 30 || j < 0) return 0;
  int b = (j >> (M - K)) & ((1 << K) - 1);
  int r = 0;
  for (int i = 0; i < K; ++i, b >>= 1) r = (r << 1) | (b & 1);
  return r;
}

bool Fft(std::int32_t N, const double* input, double* magnitude, TComplex* result,
         TComplex* work) {
  if (!input || !magnitude || !result || !work) return false;
  const FftPlan* plan = FftPlan::ForSize(N);
  if (!plan) return false;
  plan->Run(input, magnitude, result, work);
  return true;
}
