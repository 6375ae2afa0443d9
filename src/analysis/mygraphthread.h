#pragma once
// A painting job: while sound plays or is recorded, each timer tick or captured buffer
// makes one, holding copies of the view settings of that moment; its Paint runs later on
// the GUI thread, after the handler that made it has returned, and redraws both views
// (waveform and spectrum, no grid, no level line) for the stretch it was given.
//
// The job owns nothing: the canvases, the sound block and the analysis arrays belong to
// the main window, which must make sure they are still alive when Paint runs (it drops
// jobs whose sound block or arrays have since been given up, and playback jobs whose
// playback has ended, and none outlives the window).
//
// Threads: GUI thread only.

#include <cstdint>

#include "analysis/Canvas.h"
#include "analysis/myfft.h"

class MyPaintGraph {
public:
  struct Arrays {
    double* FftInput;
    double* FftMagnitude;
    TComplex* FftSpectrum;
    TComplex* FftWork;
  };

  // data/dataSize: the block to draw from (bytes); offset: byte offset of the stretch;
  // N: frames and FFT size; span: Hz at the right edge; rate: Hz of the spectrum's axis.
  MyPaintGraph(int step, int N, const std::uint8_t* data, std::int64_t dataSize,
               std::int64_t offset, Arrays arrays, double span, int channels, int bits,
               std::uint32_t rate, Canvas& waveBox, Canvas& spectrumBox, int waveZoom,
               int spectrumZoom);

  // Clears both boxes and draws the waveform and the spectrum. Returns false when the
  // second transform of a stereo frame failed (the caller shows "error").
  bool Paint();

private:
  const int step_, n_;
  const std::uint8_t* const data_;
  const std::int64_t dataSize_, offset_;
  const Arrays arrays_;
  const double span_;
  const int channels_, bits_;
  const std::uint32_t rate_;
  Canvas& waveBox_;
  Canvas& spectrumBox_;
  const int waveZoom_, spectrumZoom_;
};
