// The waveform and spectrum views, their scales, the level line, the filter cursor and
// the base-frequency readout. Both views show the same window of FftSize frames of the
// held sound from byte PlayPos.

#include <QLabel>

#include "PaintBox.h"
#include "RadioGroup.h"
#include "ScrollBar.h"
#include "analysis/mygraph.h"
#include "analysis/mygraphthread.h"
#include "analysis/viewgrid.h"
#include "main.h"
#include "model/PlayRange.h"

std::uint32_t TFormMain::SpectrumRate() const {
  // The held (or recording) sound's own rate; the settings' rate when nothing is held.
  if (Sound.HasSound() || Rec.Recording()) return Sound.Format().nSamplesPerSec;
  return NewSound.RecSampleRate;
}

void TFormMain::DrawWave() {
  if (!Sound.HasSound()) return;
  DrawWaveBox(PaintBoxGra->Canvas(), Sound.ViewShown(Player.PlayPos(), int(View.FftSize)),
              WaveStyle{int(View.WaveStep), View.WaveTimes});
}

void TFormMain::DrawSpectrum() {
  if (!Sound.HasSound()) return;
  const SpectrumDraw r = DrawSpectrumBox(
      PaintBoxFft->Canvas(), Sound.ViewShown(Player.PlayPos(), int(View.FftSize)),
      SpectrumStyle{SpectrumRate(), View.FftTimes, View.FftSpan, View.FftLevel},
      Analysis.Arrays());
  if (r == SpectrumDraw::SecondTransformFailed) ShowMessage("error", QString());
}

void TFormMain::DrawWaveGrid() {
  if (Busy()) return;
  const double span = WaveGridSpan(int(View.FftSize), Sound.Format().nSamplesPerSec);
  DrawGrid(PaintBoxGra->Canvas(), View.WaveGridStep, View.WaveGridStep * View.WaveGridMajor, span);
}

void TFormMain::DrawFftGrid() {
  if (Busy()) return;
  DrawGrid(PaintBoxFft->Canvas(), View.FftGridStep, View.FftGridStep * View.FftGridMajor,
           View.FftSpan);
}

void TFormMain::RedrawViews() {
  PaintBoxGraPaint();
  PaintBoxFftPaint();
  // With no sound held the readout is empty, whatever the arrays still hold.
  ShowBaseFreq(Sound.HasSound() && Sound.Format().nAvgBytesPerSec != 0 && FindPeaks());
}

void TFormMain::RedrawViewsAt(std::uint32_t offset) {
  const SoundView view = Sound.ViewShown(offset, int(View.FftSize));
  ClearBox(PaintBoxGra->Canvas());
  DrawWaveBox(PaintBoxGra->Canvas(), view, WaveStyle{int(View.WaveStep), View.WaveTimes});
  ClearBox(PaintBoxFft->Canvas());
  const SpectrumDraw r = DrawSpectrumBox(
      PaintBoxFft->Canvas(), view,
      SpectrumStyle{SpectrumRate(), View.FftTimes, View.FftSpan, View.FftLevel},
      Analysis.Arrays());
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
  DrawFilterLine(PaintBoxfftfilter->Canvas(), View.FilterX);
}

void TFormMain::ScrollBarWaveTimesScroll(int& position) {
  ScrollBarWaveTimes->SetPosition(position);
  View.WaveTimes = ScrollBarWaveTimes->maximum() - ScrollBarWaveTimes->Position() + 1;
  if (Busy()) return;  // the next painting job takes the new zoom
  PaintBoxGraPaint();
}

void TFormMain::ScrollBarFftTimesScroll(int& position) {
  ScrollBarFftTimes->SetPosition(position);
  View.FftTimes = ScrollBarFftTimes->maximum() - ScrollBarFftTimes->Position() + 1;
  if (Busy()) return;
  PaintBoxFftPaint();
}

void TFormMain::ChoicedatanumClick() {
  View.FftSize = FftSizeOfItem(Choicedatanum->ItemIndex());
  View.WaveStep = 1;
  const PlayRange::Window w =
      PlayRange::Fit(Sound.Size(), Sound.Format().nBlockAlign, View.FftSize);
  if (w.fftSize != View.FftSize) {
    Choicedatanum->SetItemIndex(0);
    View.FftSize = w.fftSize;
    View.WaveStep = 1;
  }
  if (w.last < PlayScrollBar->Position()) Player.SetPlayPos(std::int32_t(w.last));
  PlayScrollBar->SetMax(int(w.last));
  if (!Player.Playing() && !Rec.Recording()) {
    ChooseScales();
    RedrawViews();
  }
}

void TFormMain::ScaleGraphClick() {
  static constexpr int kSteps[] = {1, 5, 10};
  const int i = ScaleGraph->ItemIndex();
  if (i >= 0 && i < 3) View.WaveGridStep = kSteps[i];
  PaintBoxGraPaint();
}

void TFormMain::ScaleFftClick() {
  static constexpr int kSteps[] = {100, 200, 500, 1000};
  const int i = ScaleFft->ItemIndex();
  if (i >= 0 && i < 4) View.FftGridStep = kSteps[i];
  PaintBoxFftPaint();
}

void TFormMain::UpDownfftscaleClick(bool next) {
  StepFftSpan(next, View.FftSpan, View.FilterX, SpectrumRate());
  RedrawViews();
}

void TFormMain::PaintBoxFftMouseDown(int, int y) {
  // The scale of the sample width of new sound, as the level line was always set.
  const double f = SpectrumScale(int(NewSound.RecBits));
  const int baseline = PaintBoxFft->Height() - 1;
  // With no scale for the sample width there is no level the row stands for.
  if (const auto level = LevelFromClick(y, baseline, View.FftTimes, f)) View.FftLevel = *level;
  RedrawViews();
  DrawLevelLine(PaintBoxFft->Canvas(), baseline, f, View.FftLevel, View.FftTimes);
}

void TFormMain::PaintBoxfftfilterMouseDown(int x, int) {
  View.FilterFreq = FilterFreqFromClick(x, View.FftSpan, PaintBoxFft->Width());
  View.FilterX = x;
  PaintBoxfftfilterPaint();
  RedrawViews();
  ImageCanvas& c = PaintBoxFft->Canvas();
  c.SetFontColor(Colors::Green);
  c.TextOut(x + 1, 0, std::to_string(View.FilterFreq));
  LbFilter->setText(QString::number(View.FilterFreq));
  DrawFilterLine(PaintBoxFft->Canvas(), View.FilterX);
}

bool TFormMain::FindPeaks() {
  return Analysis.FindPeaks({std::int32_t(View.FftSize), Sound.Format().nSamplesPerSec,
                             View.FftLevel, View.FilterFreq, !Player.Playing() && !Rec.Recording()});
}

void TFormMain::ShowBaseFreq(bool found) {
  Label2->setText(found ? QString::number(Analysis.BaseFreq) : QString());
}

void TFormMain::StartPaintJob(std::function<std::optional<SoundView>()> source) {
  auto job = std::make_shared<MyPaintGraph>(
      std::move(source), WaveStyle{int(View.WaveStep), View.WaveTimes},
      SpectrumStyle{SpectrumRate(), View.FftTimes, View.FftSpan, std::nullopt},
      Analysis.Arrays(), PaintBoxGra->Canvas(), PaintBoxFft->Canvas());
  // Runs after this handler has returned; dropped with the window. A job is also dropped
  // when its playback or recording has ended since (it would wipe the grids of the full
  // redraw at the stop), and when the analysis arrays were given up.
  QMetaObject::invokeMethod(
      this,
      [this, job, playback = Player.Playing(), recording = Rec.Recording(),
       input = Analysis.Arrays().input] {
        if (input != Analysis.Arrays().input || (playback && !Player.Playing()) ||
            (recording && !Rec.Recording()))
          return;
        if (job->Paint() == MyPaintGraph::Outcome::SecondTransformFailed)
          ShowMessage("error", QString());
      },
      Qt::QueuedConnection);
}
