#include "analysis/myfft.h"

#include "analysis/FftPlan.h"

bool Fft(std::int32_t N, const double* input, double* magnitude, TComplex* result, TComplex* work) {
  if (!input || !magnitude || !result || !work) return false;
  const FftPlan* plan = FftPlan::ForSize(N);
  if (!plan) return false;
  plan->Run(input, magnitude, result, work);
  return true;
}
