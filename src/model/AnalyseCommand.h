#pragma once
// kelvor --analyse FILE [--size N]: reads a WAVE file as File > Open does and prints, as
// CSV, the base frequency the readout would show for each view window of N frames
// (windows at frames 0, N, 2N, ...), with the settings of a window just started: the
// level line of 8-bit new sound and the 20 Hz filter.
//
//   seconds,base_hz
//   0.000,250
//   0.064,        <- the readout is empty for this window
//
// Seconds are the window's start with three decimals and a '.', whatever the locale.
// A file that Open would refuse gives one line on `err` and exit code 1: why, in plain
// words (WaveFileProblem), or why the output device would refuse the format. A file with
// more than 2 GiB of sound is analysed up to there, as Open opens it, and says so on `err`
// with the window's notice. Call from one thread (the reader allocates through Heap); the
// windows are analysed on all processors (ReadoutScan).

#include <cstdint>
#include <ostream>
#include <string>

namespace AnalyseCommand {
// Returns the exit code: 0, or 1 after the error line.
int Run(const std::string& path, std::uint32_t fftSize, std::ostream& out, std::ostream& err);
// "1.234": seconds with three decimals, locale-independent.
std::string FormatSeconds(double seconds);
}  // namespace AnalyseCommand
