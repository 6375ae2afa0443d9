// The waveform and spectrum views, their scales, the level line, the filter cursor and
// the base-frequency readout. Both views show the same window of FftSize frames of the
// held sound from byte PlayPos.

#include <QLabel>

#include "analysis/mygraph.h"
#include "analysis/mygraphthread.h"
#include "analysis/viewgrid.h"
#include "app/main.h"
#include "model/PlayRange.h"
#include "ui/PaintBox.h"
#include "ui/RadioGroup.h"
#include "ui/ScrollBar.h"

std::uint32_t TFormMain::SpectrumRate() const {
  // The held (or recording) sound's own rate; the settings' rate when nothing is held.
  if (Sound.HasSound() || rec_.Recording()) return Sound.Format().nSamplesPerSec;
  return NewSound.RecSampleRate;
}

void TFormMain::DrawWave() {
  if (!Sound.HasSound()) return;
  DrawWaveBox(PaintBoxGra->Canvas(), Sound.ViewShown(player_.PlayPos(), int(view_.FftSize)),
              WaveStyle{int(view_.WaveStep), view_.WaveTimes});
}

void TFormMain::DrawSpectrum() {
  if (!Sound.HasSound()) return;
  const SpectrumDraw r =
      DrawSpectrumBox(PaintBoxFft->Canvas(), Sound.ViewShown(player_.PlayPos(), int(view_.FftSize)),
                      SpectrumStyle{SpectrumRate(), view_.FftTimes, view_.FftSpan, view_.FftLevel},
                      analysis_.Arrays());
  if (r == SpectrumDraw::SecondTransformFailed) ShowMessage("error", QString());
}

void TFormMain::DrawWaveGrid() {
  if (Busy()) return;
  const double span = WaveGridSpan(int(view_.FftSize), Sound.Format().nSamplesPerSec);
  DrawGrid(PaintBoxGra->Canvas(), view_.WaveGridStep, view_.WaveGridStep * view_.WaveGridMajor,
           span);
}

void TFormMain::DrawFftGrid() {
  if (Busy()) return;
  DrawGrid(PaintBoxFft->Canvas(), view_.FftGridStep, view_.FftGridStep * view_.FftGridMajor,
           view_.FftSpan);
}

void TFormMain::RedrawViews() {
  PaintBoxGraPaint();
  PaintBoxFftPaint();
  // With no sound held the readout is empty, whatever the arrays still hold.
  ShowBaseFreq(Sound.HasSound() && Sound.Format().nAvgBytesPerSec != 0 && FindPeaks());
}

void TFormMain::RedrawViewsAt(std::uint32_t offset) {
  const SoundView view = Sound.ViewShown(offset, int(view_.FftSize));
  ClearBox(PaintBoxGra->Canvas());
  DrawWaveBox(PaintBoxGra->Canvas(), view, WaveStyle{int(view_.WaveStep), view_.WaveTimes});
  ClearBox(PaintBoxFft->Canvas());
  const SpectrumDraw r =
      DrawSpectrumBox(PaintBoxFft->Canvas(), view,
                      SpectrumStyle{SpectrumRate(), view_.FftTimes, view_.FftSpan, view_.FftLevel},
                      analysis_.Arrays());
  if (r == SpectrumDraw::SecondTransformFailed) ShowMessage("error", QString());
  if (Sound.Format().nAvgBytesPerSec != 0) ShowBaseFreq(FindPeaks());
}

void TFormMain::PaintBoxGraPaint() {
  ClearBox(PaintBoxGra->Canvas());
  DrawWaveGrid();
  DrawWave();
}

void TFormMain::PaintBoxFftPaint() {
  ClearBox(PaintBoxFft->Canvas());
  DrawFftGrid();
  DrawSpectrum();
}

void TFormMain::PaintBoxfftfilterPaint() {
  ClearBox(PaintBoxfftfilter->Canvas());
  DrawFilterLine(PaintBoxfftfilter->Canvas(), view_.FilterX);
}

void TFormMain::ScrollBarWaveTimesScroll(int& position) {
  ScrollBarWaveTimes->SetPosition(position);
  view_.WaveTimes = ZoomOfBar(ScrollBarWaveTimes->maximum(), ScrollBarWaveTimes->Position());
  if (Busy()) return;  // the next painting job takes the new zoom
  PaintBoxGraPaint();
}

void TFormMain::ScrollBarFftTimesScroll(int& position) {
  ScrollBarFftTimes->SetPosition(position);
  view_.FftTimes = ZoomOfBar(ScrollBarFftTimes->maximum(), ScrollBarFftTimes->Position());
  if (Busy()) return;
  PaintBoxFftPaint();
}

void TFormMain::ChoicedatanumClick() {
  view_.FftSize = FftSizeOfItem(Choicedatanum->ItemIndex());
  view_.WaveStep = 1;
  const PlayRange::Window w =
      PlayRange::Fit(Sound.Size(), Sound.Format().nBlockAlign, view_.FftSize);
  if (w.fftSize != view_.FftSize) ShowSmallestWindow();
  if (w.last < PlayScrollBar->Position()) player_.SetPlayPos(std::int32_t(w.last));
  PlayScrollBar->SetMax(int(w.last));
  if (!Busy()) {
    ChooseScales();
    RedrawViews();
  }
}

void TFormMain::ScaleGraphClick() {
  if (const auto step = WaveGridStepOfItem(ScaleGraph->ItemIndex())) view_.WaveGridStep = *step;
  PaintBoxGraPaint();
}

void TFormMain::ScaleFftClick() {
  if (const auto step = FftGridStepOfItem(ScaleFft->ItemIndex())) view_.FftGridStep = *step;
  PaintBoxFftPaint();
}

void TFormMain::UpDownfftscaleClick(bool next) {
  StepFftSpan(next, view_.FftSpan, view_.FilterX, SpectrumRate());
  RedrawViews();
}

void TFormMain::PaintBoxFftMouseDown(int, int y) {
  // The scale of the sample width of new sound, as the level line was always set.
  const double f = SpectrumScale(int(NewSound.RecBits));
  const int baseline = PaintBoxFft->Height() - 1;
  // With no scale for the sample width there is no level the row stands for.
  if (const auto level = LevelFromClick(y, baseline, view_.FftTimes, f)) view_.FftLevel = *level;
  RedrawViews();
  DrawLevelLine(PaintBoxFft->Canvas(), baseline, f, view_.FftLevel, view_.FftTimes);
}

void TFormMain::PaintBoxfftfilterMouseDown(int x, int) {
  view_.FilterFreq = FilterFreqFromClick(x, view_.FftSpan, PaintBoxFft->Width());
  view_.FilterX = x;
  PaintBoxfftfilterPaint();
  RedrawViews();
  ImageCanvas& c = PaintBoxFft->Canvas();
  c.SetFontColor(Colors::Green);
  c.TextOut(x + 1, 0, std::to_string(view_.FilterFreq));
  LbFilter->setText(QString::number(view_.FilterFreq));
  DrawFilterLine(PaintBoxFft->Canvas(), view_.FilterX);
}

bool TFormMain::FindPeaks() {
  return analysis_.FindPeaks({std::int32_t(view_.FftSize), Sound.Format().nSamplesPerSec,
                              view_.FftLevel, view_.FilterFreq, !Busy()});
}

void TFormMain::ShowBaseFreq(bool found) {
  Label2->setText(found ? QString::number(analysis_.BaseFreq) : QString());
}

void TFormMain::StartPaintJob(std::function<std::optional<SoundView>()> source) {
  auto job = std::make_shared<MyPaintGraph>(
      std::move(source), WaveStyle{int(view_.WaveStep), view_.WaveTimes},
      SpectrumStyle{SpectrumRate(), view_.FftTimes, view_.FftSpan, std::nullopt},
      analysis_.Arrays(), PaintBoxGra->Canvas(), PaintBoxFft->Canvas());
  // Runs after this handler has returned; dropped with the window. A job is also dropped
  // when its playback or recording has ended since (it would wipe the grids of the full
  // redraw at the stop), and when the analysis arrays were given up.
  QMetaObject::invokeMethod(
      this,
      [this, job, playback = player_.Playing(), recording = rec_.Recording(),
       input = analysis_.Arrays().input] {
        if (input != analysis_.Arrays().input || (playback && !player_.Playing()) ||
            (recording && !rec_.Recording()))
          return;
        if (job->Paint() == MyPaintGraph::Outcome::SecondTransformFailed)
          ShowMessage("error", QString());
      },
      Qt::QueuedConnection);
}
