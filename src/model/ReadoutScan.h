#pragma once
// The readout of every view window of a held sound (ReadoutTrack's points, the same
// values) on several threads: each worker has its own analysis arrays and takes one run of
// consecutive windows; the points come back in window order. A window is windowed and
// transformed as the spectrum view transforms the readout's channel, but only the bins
// the peak search reads are computed (the lower half of the spectrum, the same values),
// and the search skips the harmonic sorting, which does not change the base frequency.
//
// Threads: Allocate and Run on one thread (Allocate goes through Heap); Run starts and
// joins the workers itself.

#include <cstdint>
#include <memory>
#include <span>

#include "analysis/SpectrumAnalysis.h"
#include "base/wavetypes.h"
#include "model/ReadoutTrack.h"

class ReadoutScan {
public:
  // `threads` workers at most; 0: one per processor.
  explicit ReadoutScan(int threads = 0);

  // Makes every worker's arrays. False when memory runs out (then Run does nothing).
  bool Allocate();
  int Threads() const { return threads_; }

  // The whole windows of N = settings.fftSize frames in `size` bytes: 0 for what
  // ReadoutTrack gives nothing for, and for sample widths other than 8 and 16 bits.
  static std::int64_t WindowCount(const WAVEFORMATEX& format, const std::uint8_t* data,
                                  std::int32_t size, const ReadoutTrack::Settings& settings);

  // The points of windows first .. first + out.size() - 1 (window w starts at frame w*N),
  // all below WindowCount.
  void Run(const WAVEFORMATEX& format, const std::uint8_t* data, std::int32_t size,
           const ReadoutTrack::Settings& settings, std::int64_t first,
           std::span<ReadoutTrack::Point> out);

private:
  int threads_;
  std::unique_ptr<SpectrumAnalysis[]> workers_;
};
