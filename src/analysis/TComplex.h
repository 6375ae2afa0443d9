#pragma once
// One complex FFT value: re then im, two doubles (16 bytes). The spectrum arrays, the peak
// tables and the mixer's harmonic sets are plain arrays of it.

struct TComplex {
  double re;
  double im;
};
