// The waveform and spectrum views, their scales, the level line, the filter cursor and
// the base-frequency readout. Both views show the same window of FftSize frames of the
// held sound from byte PlayPos.

#include <QLabel>
#include <cmath>

#include "PaintBox.h"
#include "RadioGroup.h"
#include "ScrollBar.h"
#include "analysis/PeakAnalysis.h"
#include "analysis/mygraph.h"
#include "base/nearest.h"
#include "analysis/viewgrid.h"
#include "main.h"

namespace {
// Magnitude-to-pixel factor of the sample width of new sound (RecBits), as the level
// click uses it.
double ScaleOfBits(std::uint32_t bits) { return SpectrumScale(int(bits)); }
}  // namespace

int TFormMain::WaveZoom() const {
  return ScrollBarWaveTimes->maximum() - ScrollBarWaveTimes->Position() + 1;
}

void TFormMain::DrawWave() {
  if (!HasSound()) return;
  DrawWaveBox(int(WaveStep), int(FftSize), WaveZoom(), PaintBoxGra->Canvas(),
              WaveFormat.wBitsPerSample, WaveFormat.nChannels, PlayPos, WaveData, DataSize);
}

void TFormMain::DrawSpectrum() {
  if (!HasSound()) return;
  DrawSpectrumOf(PaintBoxFft, FftSize, WaveData, WaveFormat.wBitsPerSample,
                 WaveFormat.nChannels, std::uint32_t(PlayPos));
}

void TFormMain::DrawSpectrumOf(PaintBox* box, std::uint32_t n, const std::uint8_t* data,
                               std::uint32_t bits, std::uint32_t channels,
                               std::uint32_t offset) {
  const SpectrumDraw r =
      DrawSpectrumBox(RecSampleRate, int(n), FftTimes, box->Canvas(), int(bits), int(channels),
                      offset, data, DataSize, FftInput, FftMagnitude, FftSpectrum, FftWork,
                      FftSpan, FftLevel);
  if (r == SpectrumDraw::SecondTransformFailed) ShowMessage("error", QString());
}

void TFormMain::DrawLevelLine(PaintBox* box, int baseline, double f) {
  ::DrawLevelLine(box->Canvas(), baseline, f, FftLevel, FftTimes);
}

void TFormMain::DrawFilterLine(PaintBox* box) { ::DrawFilterLine(box->Canvas(), FilterX); }

void TFormMain::DrawWaveGrid(int minor, int major) {
  if (Playing || Recording) return;
  const double span = WaveGridSpan(int(FftSize), WaveFormat.nSamplesPerSec);
  DrawGrid(PaintBoxGra, minor, major, span);
}

void TFormMain::DrawFftGrid(int minor, int major) {
  if (Playing || Recording) return;
  DrawGrid(PaintBoxFft, minor, major, FftSpan);
}

void TFormMain::DrawGrid(PaintBox* box, double minor, double major, double span) {
  ::DrawGrid(box->Canvas(), minor, major, span);
}

void TFormMain::RedrawViews() {
  ClearBox(PaintBoxGra->Canvas());
  DrawWaveGrid(WaveGridStep, WaveGridStep * WaveGridMajor);
  DrawWave();
  ClearBox(PaintBoxFft->Canvas());
  DrawFftGrid(FftGridStep, FftGridStep * FftGridMajor);
  DrawSpectrum();
  ShowBaseFreq(WaveFormat.nAvgBytesPerSec != 0 && FindPeaks());
}

void TFormMain::RedrawViewsAt(std::uint32_t n, const std::uint8_t* data, PaintBox* waveBox,
                              PaintBox* spectrumBox, std::uint32_t bits, std::uint32_t channels,
                              std::uint32_t offset) {
  ClearBox(waveBox->Canvas());
  DrawWaveBox(int(WaveStep), int(n), WaveZoom(), waveBox->Canvas(), int(bits), int(channels),
              offset, data, DataSize);
  ClearBox(spectrumBox->Canvas());
  DrawSpectrumOf(spectrumBox, n, data, bits, channels, offset);
  if (WaveFormat.nAvgBytesPerSec != 0) ShowBaseFreq(FindPeaks());
}

void TFormMain::PaintBoxGraPaint() {
  ClearBox(PaintBoxGra->Canvas());
  DrawWaveGrid(WaveGridStep, WaveGridStep * WaveGridMajor);
  DrawWave();
}

void TFormMain::PaintBoxFftPaint() {
  ClearBox(PaintBoxFft->Canvas());
  DrawFftGrid(FftGridStep, FftGridStep * FftGridMajor);
  DrawSpectrum();
}

void TFormMain::PaintBoxfftfilterPaint() {
  ClearBox(PaintBoxfftfilter->Canvas());
  DrawFilterLine(PaintBoxfftfilter);
}

void TFormMain::ScrollBarWaveTimesScroll(int& position) {
  ScrollBarWaveTimes->SetPosition(position);
  WaveTimes = WaveZoom();
  if (Playing || Recording) return;  // the next painting job takes the new zoom
  PaintBoxGraPaint();
}

void TFormMain::ScrollBarFftTimesScroll(int& position) {
  ScrollBarFftTimes->SetPosition(position);
  FftTimes = ScrollBarFftTimes->maximum() - ScrollBarFftTimes->Position() + 1;
  if (Playing || Recording) return;
  PaintBoxFftPaint();
}

void TFormMain::ChoicedatanumClick() {
  FftSize = std::uint32_t(Nearest(std::pow(2.0, Choicedatanum->ItemIndex()))) * 256;
  WaveStep = WaveStepFor();
  // The last start offset at which a whole view window fits.
  std::int64_t last = std::int64_t(DataSize) - std::int64_t(WaveFormat.nBlockAlign) * FftSize;
  if (last <= 0) {
    Choicedatanum->SetItemIndex(0);
    FftSize = 256;
    WaveStep = WaveStepFor();
    last = std::int64_t(DataSize) - std::int64_t(WaveFormat.nBlockAlign) * FftSize;
  }
  // A sound shorter than one window of 256 frames keeps position and range at 0.
  if (last < 0) last = 0;
  if (last < PlayScrollBar->Position()) PlayPos = std::int32_t(last);
  PlayScrollBar->SetMax(int(last));
  if (!Playing && !Recording) {
    ChooseScales();
    RedrawViews();
  }
}

void TFormMain::ScaleGraphClick() {
  static constexpr int kSteps[] = {1, 5, 10};
  const int i = ScaleGraph->ItemIndex();
  if (i >= 0 && i < 3) WaveGridStep = kSteps[i];
  PaintBoxGraPaint();
}

void TFormMain::ScaleFftClick() {
  static constexpr int kSteps[] = {100, 200, 500, 1000};
  const int i = ScaleFft->ItemIndex();
  if (i >= 0 && i < 4) FftGridStep = kSteps[i];
  PaintBoxFftPaint();
}

void TFormMain::UpDownfftscaleClick(bool next) {
  StepFftSpan(next, FftSpan, FilterX, RecSampleRate);
  RedrawViews();
}

void TFormMain::PaintBoxFftMouseDown(int, int y) {
  const double f = ScaleOfBits(RecBits);
  const int baseline = PaintBoxFft->Height() - 1;
  // With no scale for the sample width there is no level the row stands for.
  if (const auto level = LevelFromClick(y, baseline, FftTimes, f)) FftLevel = *level;
  RedrawViews();
  DrawLevelLine(PaintBoxFft, baseline, f);
}

void TFormMain::PaintBoxfftfilterMouseDown(int x, int) {
  FilterFreq = FilterFreqFromClick(x, FftSpan, PaintBoxFft->Width());
  FilterX = x;
  PaintBoxfftfilterPaint();
  RedrawViews();
  ImageCanvas& c = PaintBoxFft->Canvas();
  c.SetFontColor(Colors::Green);
  c.TextOut(x + 1, 0, std::to_string(FilterFreq));
  LbFilter->setText(QString::number(FilterFreq));
  DrawFilterLine(PaintBoxFft);
}

bool TFormMain::FindPeaks() {
  const PeakInput in{FftMagnitude,       FftSpectrum, std::int32_t(FftSize),
                     WaveFormat.nSamplesPerSec, FftLevel, FilterFreq, !Playing && !Recording};
  const PeakTables out{PeakCount, PeakLevel, PeakHarmonic, PeakValue, BaseFreq};
  return ::FindPeaks(in, out);
}

void TFormMain::ShowBaseFreq(bool found) {
  Label2->setText(found ? QString::number(BaseFreq) : QString());
}
