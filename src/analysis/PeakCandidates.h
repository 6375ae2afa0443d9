#pragma once
// The first step of the peak search: the bins that are strict local maxima above a level.
// On the AVX2 path four bins are compared at once; the result is the same on both paths.
// Any thread (reads the caller's magnitudes only).

#include "base/SimdPath.h"

// Writes to found[0 ..] the bins i = from .. to, in increasing order, with
// m[i-1] < m[i], m[i] > m[i+1] and m[i] > level (a NaN satisfies none), stopping after
// `capacity` of them; returns how many it wrote. Reads m[from-1 .. to+1]; 1 <= from.
int PeakCandidates(const double* m, int from, int to, double level, int* found, int capacity,
                   SimdPath path = BestSimdPath());
