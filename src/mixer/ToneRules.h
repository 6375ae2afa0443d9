#pragma once
// Small rules of the tone mixer that the window applies around a synthesis. Pure
// functions; any thread.

#include <cstdint>

// Highest harmonic the controls accept: min(120, Round(rate / 2.0) div f0). The halving is
// in floating point and rounds ties to even (11025 Hz: 5512); f0 is limited to 1 .. 2000.
std::int32_t HarmonicLimit(std::uint32_t rate, std::int32_t f0);

// Bytes of a generated sound of `position` tenths of a second (the duration slider,
// limited to 1 .. 30): Round(nAvgBytesPerSec * position * 0.1), the product of byte rate
// and position formed as a 64-bit integer first, then scaled in double (11025 B/s at
// position 5: 5512.5, which rounds to 5512). Always 0 .. 12884901885; the caller checks
// it against the size its block may have.
std::int64_t GeneratedSize(std::uint32_t nAvgBytesPerSec, std::int32_t position);

// A phase in whole degrees as the phase edits show it: Round(radians * 180 / pi).
// NaN gives 0; values beyond the int32 range are limited to it.
std::int32_t WholeDegrees(double radians);

// The phase a phase control sets: degrees * pi / 180.
double DegreesToPhase(std::int32_t degrees);
