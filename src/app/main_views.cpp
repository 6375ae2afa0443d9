// The waveform and spectrum views, their scales, the level line, the filter cursor and
// the base-frequency readout.

#include <cmath>

#include "PaintBox.h"
#include "RadioGroup.h"
#include "ScrollBar.h"
#include "analysis/nearest.h"
#include "main.h"

void TFormMain::RedrawViews() {}
void TFormMain::RedrawViewsAt(std::uint32_t, const std::uint8_t*, PaintBox*, PaintBox*,
                              std::uint32_t, std::uint32_t, std::uint32_t) {}
void TFormMain::DrawWave() {}
void TFormMain::DrawSpectrum() {}
void TFormMain::DrawLevelLine(PaintBox*, int, double) {}
void TFormMain::DrawFilterLine(PaintBox*) {}
void TFormMain::DrawWaveGrid(int, int) {}
void TFormMain::DrawFftGrid(int, int) {}
void TFormMain::DrawGrid(PaintBox*, double, double, double) {}
void TFormMain::PaintBoxGraPaint() {}
void TFormMain::PaintBoxFftPaint() {}
void TFormMain::PaintBoxfftfilterPaint() {}
void TFormMain::ScrollBarWaveTimesScroll(int&) {}
void TFormMain::ScrollBarFftTimesScroll(int&) {}
void TFormMain::ScaleGraphClick() {}
void TFormMain::ScaleFftClick() {}
void TFormMain::UpDownfftscaleClick(bool) {}
void TFormMain::PaintBoxFftMouseDown(int, int) {}
void TFormMain::PaintBoxfftfilterMouseDown(int, int) {}
bool TFormMain::FindPeaks() { return false; }
void TFormMain::ShowBaseFreq(bool) {}

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
