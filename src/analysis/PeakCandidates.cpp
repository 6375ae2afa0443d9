#include "analysis/PeakCandidates.h"

#include <cstdint>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace {

// Noise makes a branch on each comparison unpredictable: each bin is written, and the count
// moves on only for a peak.
int Portable(const double* m, int from, int to, double level, int* found, int capacity) {
  int count = 0;
  for (int i = from; i <= to && count < capacity; ++i) {
    found[count] = i;
    count += (m[i - 1] < m[i]) & (m[i] > m[i + 1]) & (m[i] > level);
  }
  return count;
}

#if defined(__x86_64__)
// Four bins per step; the peaks among them are appended without a branch on how many there
// are: the four indices go out in mask order from a table, and the count moves on by the
// number of peaks (the next step overwrites the rest).
__attribute__((target("avx2,fma"))) int Avx2(const double* m, int from, int to, double level,
                                             int* found, int capacity) {
  alignas(16) static constexpr std::int32_t kOrder[16][4] = {
      {0, 0, 0, 0}, {0, 0, 0, 0}, {1, 0, 0, 0}, {0, 1, 0, 0}, {2, 0, 0, 0}, {0, 2, 0, 0},
      {1, 2, 0, 0}, {0, 1, 2, 0}, {3, 0, 0, 0}, {0, 3, 0, 0}, {1, 3, 0, 0}, {0, 1, 3, 0},
      {2, 3, 0, 0}, {0, 2, 3, 0}, {1, 2, 3, 0}, {0, 1, 2, 3}};
  static constexpr int kCount[16] = {0, 1, 1, 2, 1, 2, 2, 3, 1, 2, 2, 3, 2, 3, 3, 4};
  int count = 0, i = from;
  const __m256d floor = _mm256_set1_pd(level);
  // found[] has room for `capacity` only: stop while four more always fit.
  for (; i + 3 <= to && count + 4 <= capacity; i += 4) {
    const __m256d left = _mm256_loadu_pd(m + i - 1), mid = _mm256_loadu_pd(m + i);
    const __m256d right = _mm256_loadu_pd(m + i + 1);
    const __m256d peak = _mm256_and_pd(
        _mm256_and_pd(_mm256_cmp_pd(left, mid, _CMP_LT_OQ), _mm256_cmp_pd(mid, right, _CMP_GT_OQ)),
        _mm256_cmp_pd(mid, floor, _CMP_GT_OQ));
    const int bits = _mm256_movemask_pd(peak);
    const __m128i order = _mm_load_si128(reinterpret_cast<const __m128i*>(kOrder[bits]));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(found + count),
                     _mm_add_epi32(order, _mm_set1_epi32(i)));
    count += kCount[bits];
  }
  return count + Portable(m, i, to, level, found + count, capacity - count);
}
#endif

}  // namespace

int PeakCandidates(const double* m, int from, int to, double level, int* found, int capacity,
                   SimdPath path) {
#if defined(__x86_64__)
  if (path == SimdPath::Avx2Fma) return Avx2(m, from, to, level, found, capacity);
#endif
  (void)path;
  return Portable(m, from, to, level, found, capacity);
}
