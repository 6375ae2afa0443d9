#pragma once
// The base frequency the main window's readout shows for each view window of a held sound,
// taken window after window from the start: the windows begin at frames 0, N, 2N, ... for
// as long as a whole window of N frames fits. Each window goes through the same transform
// as the spectrum view (the readout's channel, the last one) and the same peak search as
// the readout. Plain value; the caller's analysis arrays are written. Single thread.

#include <cstdint>
#include <optional>
#include <vector>

#include "analysis/SpectrumAnalysis.h"
#include "base/wavetypes.h"

struct ReadoutTrack {
  struct Point {
    std::int64_t frame = 0;              // first frame of the window
    std::optional<std::int32_t> baseHz;  // what the readout shows; nullopt: it is empty
  };
  struct Settings {
    std::uint32_t fftSize = 512;    // N: a size the spectrum view offers (256 .. 4096)
    double level = 0;               // magnitude a peak must exceed
    std::uint32_t filterFreq = 20;  // Hz: the lowest frequency searched
  };

  // `size` bytes of sound at `data` in `format`. Nothing for a format the views cannot
  // show (not 1 or 2 channels, no block size, no rate), for an N they do not offer, or for
  // arrays that were not allocated.
  static std::vector<Point> Of(const WAVEFORMATEX& format, const std::uint8_t* data,
                               std::int32_t size, const Settings& settings,
                               SpectrumAnalysis& analysis);
};
