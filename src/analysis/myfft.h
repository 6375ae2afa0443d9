#pragma once
// The one transform of the system: N real samples (N a power of two, 2 .. 4096) to the
// complex spectrum
//     X[k] = (1/N) * sum_n x[n] * exp(+2*pi*i*k*n/N),   k = 0 .. N-1,
// in natural bin order, plus |X[k]| for k = 0 .. N-2. The exponent is positive: a unit
// sine sin(2*pi*k0*n/N) gives X[k0] = (0, +0.5). The phases handed to the tone mixer rely
// on this sign.
//
// Threads: Fft keeps no per-call state; its tables are built once per size on first use
// (guarded, so any thread may call it), after which a call allocates nothing. The
// caller's four arrays are its only mutable state, so two calls must not share them.

#include <cstdint>

#include "analysis/FftIndex.h"
#include "analysis/TComplex.h"

// Transforms `input` (N doubles, already windowed; read only). On success writes
// result[0 .. N-1] = X[k] and magnitude[0 .. N-2] = |X[k]| (magnitude[N-1] is left alone),
// uses work[0 .. N-1] as scratch, and returns true. Returns false and writes nothing when N
// is not a power of two from 2 to 4096, when an array is null, or when the tables for a
// size not used before cannot be allocated. The four arrays must not overlap.
bool Fft(std::int32_t N, const double* input, double* magnitude, TComplex* result, TComplex* work);
