#pragma once
// The tone mixer's synthesis of mono PCM into the sound block, and its silence.
//
// For n = 0 .. N-1 (N = bytes for 8 bit, bytes shr 1 for 16 bit):
//   s = sum over k = 1 .. HarmCount with Amplitude[k] != 0 of
//         sin(((2*pi * f0) * k * n) / rate + Phase[k]) * Amplitude[k]   (8 bit: / 256 each)
//   v = s * V for n <= N - D, s * ((N - n) / D)^2 * V after it    (8 bit: + 128)
// with D = Round(rate * 0.005 * FadeSteps) fade samples, and Round(v) stored: signed
// 16-bit little-endian, or an unsigned byte. Round is to nearest, ties to even.
//
// Silence of the whole block (16 bit: zeros, 8 bit: bytes of 128) instead, with nothing of
// the sound left, when:
//   - D > N (the fade is longer than the sound), or the rate is 0;
//   - 16 bit: some Round(v) lies outside -32768 .. 32767;
//   - 8 bit: some v > 240, or some Round(v) < 0 (a byte cannot hold it; limiting it to 0
//     would clip one side of the wave only);
//   - some v is not a finite number (a NaN or infinite phase from a damaged file).
// HarmCount outside 0 .. 120 is taken as the nearer end; Freq, Volume and FadeSteps are
// limited to their controls' ranges (see SynthPlan). An odd 16-bit block keeps its
// trailing byte as it was.
//
// Every stored sample is Round of v as the formula gives it in double precision
// (SynthPlan::LiteralValue), ties included. The harmonic sums are computed by rotating
// phasors (PhasorBank), not with a sine per term and sample, and only for the first
// period of the sound (SynthPlan::period samples: the exact sums repeat after it); each
// sum then serves every sample one or more periods later. A bound on how far such a v
// may lie from the formula's tells where its rounding and range decisions are certain;
// the few samples closer to a half than that (exact ties among them) are computed with
// the formula itself. Periods of more than about 2^19 terms are split in two at a sample
// boundary and the second half runs on a second thread; the result does not depend on
// the split or on the code path.
//
// Threads: any thread, one call per block at a time; the call returns when every sample
// is written. The block must not be in use by a device meanwhile.

#include <cstdint>
#include <span>

#include "base/SimdPath.h"
#include "mixer/FillSilence.h"
#include "mixer/HarmonicSet.h"
#include "mixer/SynthPlan.h"
#include "mixer/ToneSettings.h"

// Fill `block` with the sound at `rate` samples per second; true when the block was
// silenced instead (the reasons above).
bool Synthesize16(std::span<std::uint8_t> block, std::uint32_t rate, const HarmonicSet& set,
                  const ToneSettings& tone);
bool Synthesize8(std::span<std::uint8_t> block, std::uint32_t rate, const HarmonicSet& set,
                 const ToneSettings& tone);

// The same for a resolved plan, with at most maxThreads threads (1: the calling thread
// only) and the given code path (it must run here, SimdPathRuns). For the benchmark and
// the tests; the window uses the two above.
bool SynthesizePlan(const SynthPlan& plan, std::span<std::uint8_t> block, int maxThreads,
                    SimdPath path = BestSimdPath());
