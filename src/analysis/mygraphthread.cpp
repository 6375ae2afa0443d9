#include "analysis/mygraphthread.h"

#include "analysis/mygraph.h"

MyPaintGraph::MyPaintGraph(int step, int N, const std::uint8_t* data, std::int64_t dataSize,
                           std::int64_t offset, Arrays arrays, double span, int channels,
                           int bits, std::uint32_t rate, Canvas& waveBox, Canvas& spectrumBox,
                           int waveZoom, int spectrumZoom)
    : step_(step),
      n_(N),
      data_(data),
      dataSize_(dataSize),
      offset_(offset),
      arrays_(arrays),
      span_(span),
      channels_(channels),
      bits_(bits),
      rate_(rate),
      waveBox_(waveBox),
      spectrumBox_(spectrumBox),
      waveZoom_(waveZoom),
      spectrumZoom_(spectrumZoom) {}

bool MyPaintGraph::Paint() {
  ClearBox(waveBox_);
  DrawWaveBox(step_, n_, waveZoom_, waveBox_, bits_, channels_, offset_, data_, dataSize_);
  ClearBox(spectrumBox_);
  return DrawSpectrumBox(rate_, n_, spectrumZoom_, spectrumBox_, bits_, channels_, offset_,
                         data_, dataSize_, arrays_.FftInput, arrays_.FftMagnitude,
                         arrays_.FftSpectrum, arrays_.FftWork, span_) !=
         SpectrumDraw::SecondTransformFailed;
}
