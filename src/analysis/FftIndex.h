#pragma once
// The sizes the transform accepts and the index reversal its passes are built on. Pure
// functions; any thread.

#include <cstdint>

// True when N is a size the transform accepts: a power of two from 2 to 4096 (log2 N from
// 1 to 12); N = 1 and N <= 0 are refused.
inline bool IsFftSize(std::int32_t N) { return N >= 2 && N <= 4096 && (N & (N - 1)) == 0; }

// Takes the top K bits of the M-bit index j (b = j >> (M - K)) and returns them in reverse
// order: bit 0 of b becomes bit K-1 of the result. K = 0 or b = 0 gives 0;
// BitReverse(M, M, j) is the plain M-bit reversal. Bits of j above bit M-1 are ignored.
// Arguments outside 0 <= K <= M <= 30, j >= 0 give 0.
inline int BitReverse(int M, int K, int j) {
  if (K < 0 || M < K || M > 30 || j < 0) return 0;
  int b = (j >> (M - K)) & ((1 << K) - 1);
  int r = 0;
  for (int i = 0; i < K; ++i, b >>= 1) r = (r << 1) | (b & 1);
  return r;
}
