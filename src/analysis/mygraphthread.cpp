#include "analysis/mygraphthread.h"

#include <utility>

#include "analysis/mygraph.h"

MyPaintGraph::MyPaintGraph(Source source, WaveStyle wave, SpectrumStyle spectrum, FftArrays arrays,
                           Canvas& waveBox, Canvas& spectrumBox)
    : source_(std::move(source)),
      wave_(wave),
      spectrum_(spectrum),
      arrays_(arrays),
      waveBox_(waveBox),
      spectrumBox_(spectrumBox) {}

MyPaintGraph::Outcome MyPaintGraph::Paint() {
  const std::optional<SoundView> view = source_ ? source_() : std::nullopt;
  if (!view) return Outcome::Dropped;
  ClearBox(waveBox_);
  DrawWaveBox(waveBox_, *view, wave_);
  ClearBox(spectrumBox_);
  return DrawSpectrumBox(spectrumBox_, *view, spectrum_, arrays_) ==
                 SpectrumDraw::SecondTransformFailed
             ? Outcome::SecondTransformFailed
             : Outcome::Painted;
}
