#pragma once
// A painting job: while sound plays or is recorded, each timer tick or captured buffer
// makes one, holding copies of the view settings of that moment; its Paint runs later on
// the GUI thread, after the handler that made it has returned, and redraws both views
// (waveform and spectrum, no grid, no level line) for the stretch it was given.
//
// Where the bytes come from is decided at paint time by the job's source: a playback job
// borrows the document's block through a handle that fails once the block is given up, a
// recording job owns a copy of its frame. The canvases and the analysis arrays belong to
// the main window, which drops its jobs with it.
//
// Threads: GUI thread only.

#include <cstdint>
#include <functional>
#include <optional>

#include "analysis/Canvas.h"
#include "analysis/FftArrays.h"
#include "analysis/PlotStyle.h"
#include "analysis/SoundView.h"

class MyPaintGraph {
public:
  // The stretch to draw as it stands when the job paints, or nullopt when its block has
  // been given up since the job was made (the job then draws nothing).
  using Source = std::function<std::optional<SoundView>()>;

  enum class Outcome {
    Painted,
    Dropped,                // the source had nothing to draw; both views untouched
    SecondTransformFailed,  // painted channel 1; the caller shows "error"
  };

  MyPaintGraph(Source source, WaveStyle wave, SpectrumStyle spectrum, FftArrays arrays,
               Canvas& waveBox, Canvas& spectrumBox);

  // Clears both boxes and draws the waveform and the spectrum.
  Outcome Paint();

private:
  Source source_;
  const WaveStyle wave_;
  const SpectrumStyle spectrum_;
  const FftArrays arrays_;
  Canvas& waveBox_;
  Canvas& spectrumBox_;
};
