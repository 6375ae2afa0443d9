#pragma once
// Which vector code the number-crunching loops (FFT, synthesis) run. The portable path is
// plain C++ with 2-lane vectors, which every x86-64 (and other targets) has; the AVX2 path
// uses 4-lane vectors and fused multiply-add, compiled for those functions only and chosen
// at run time when the processor (and the system, for the wider registers) supports it.
// Both paths give the same results within the accuracy each routine states; the tests run
// both.
//
// Threads: any; the probe runs once.

enum class SimdPath { Portable, Avx2Fma };

// Avx2Fma when this machine runs it, else Portable.
SimdPath BestSimdPath();

// Whether `path` can run here: Portable always.
bool SimdPathRuns(SimdPath path);
