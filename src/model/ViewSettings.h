#pragma once
// What the two views show and how: the window size, grid steps, magnifications, the
// spectrum's span, the level line and the filter cursor. Start values are those of a new
// window. Plain values: any thread.

#include <array>
#include <cstdint>
#include <optional>

struct ViewSettings {
  // The smallest view window and its "DataNum" item: the fall-back when the chosen window
  // does not fit the sound.
  static constexpr std::uint32_t kSmallestFftSize = 256;
  static constexpr int kSmallestItem = 0;

  std::uint32_t FftSize = 512;     // frames per view window and FFT: 256 .. 4096
  std::int32_t WaveGridStep = 10;  // ms between dotted lines: 1, 5 or 10
  std::int32_t WaveGridMajor = 5;  // a solid line every this many dotted steps
  std::int32_t FftGridStep = 100;  // Hz between dotted lines: 100, 200, 500 or 1000
  std::int32_t FftGridMajor = 5;
  std::uint32_t FilterFreq = 20;  // Hz: the filter cursor, lower bound of the peak search
  std::int32_t FilterX = 2;       // pixels: the filter cursor in the spectrum view
  double FftLevel = 0;            // magnitude units: the peak threshold, the level line
  std::int32_t FftTimes = 1;      // spectrum magnification: 1 .. 200
  std::int32_t WaveTimes = 1;     // waveform magnification: 1 .. 9
  std::uint32_t WaveStep = 1;     // frames between waveform points
  double FftSpan = 4000.0;        // Hz across the spectrum view

  void UseSmallestWindow() {
    FftSize = kSmallestFftSize;
    WaveStep = 1;
  }
};

// Grid steps by item of the "ms" (1, 5, 10) and "Hz" (100, 200, 500, 1000) groups; nullopt
// for an item outside the group (no selection).
inline constexpr std::array<std::int32_t, 3> kWaveGridSteps{1, 5, 10};
inline constexpr std::array<std::int32_t, 4> kFftGridSteps{100, 200, 500, 1000};
std::optional<std::int32_t> WaveGridStepOfItem(int item);
std::optional<std::int32_t> FftGridStepOfItem(int item);

// The magnification a zoom bar stands for: its top (position 1) magnifies most, its
// bottom (position `max`) not at all: max - position + 1.
int ZoomOfBar(int max, int position);

// The grid steps that suit a sound: the spectrum grid from its Nyquist frequency, the
// waveform grid from the length of one view window. The items are the indices of the
// "Hz" (100, 200, 500, 1000) and "ms" (1, 5, 10) groups. nullopt for a rate of 0.
struct ScaleChoice {
  int fftItem = 0;
  std::int32_t fftGridStep = 100;
  int waveItem = 2;
  std::int32_t waveGridStep = 10;
};
std::optional<ScaleChoice> ChooseScalesFor(std::uint32_t rate, std::uint32_t fftSize);

// The peak threshold a new window starts with, from the sample width of new sound:
// 2^bits × 0.1 / 255 magnitude units (0.1004 for 8 bits).
double StartFftLevel(std::uint32_t bits);

// FftSize of the "DataNum" item: 256 × 2^item.
std::uint32_t FftSizeOfItem(int item);
