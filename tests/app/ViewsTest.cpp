// The main window's views as the user drives them: grids, traces, the level line and the
// filter cursor read back from the paint boxes; the span arrows, zoom bars, grid and size
// choices; and the base-frequency readout. Sounds are WAVE files opened through File > Open.

#include <QLabel>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>
#include <algorithm>
#include <cmath>
#include <tuple>
#include <vector>

#include "FormHarness.h"
#include "files/WaveWriter.h"
#include "ui/PaintBox.h"
#include "ui/RadioGroup.h"
#include "ui/ScrollBar.h"
#include "ui/UpDown.h"

namespace {

constexpr QRgb kRed = 0xFF0000, kGreen = 0x008000, kWhite = 0xFFFFFF, kMarker = 0xFF00FF;
constexpr double kPi = 3.14159265358979323846;
const WAVEFORMATEX kMono8{1, 1, 8000, 8000, 1, 8, 0};
const WAVEFORMATEX kStereo8{1, 2, 8000, 16000, 2, 8, 0};

// Sines (Hz, amplitude).
using Tones = std::vector<std::pair<double, double>>;

QRgb At(const PaintBox* b, int x, int y) { return b->Image().pixel(x, y) & 0xFFFFFF; }

int Count(const PaintBox* b, QRgb c) {
  int n = 0;
  for (int y = 0; y < b->Height(); ++y)
    for (int x = 0; x < b->Width(); ++x) n += At(b, x, y) == c;
  return n;
}

bool RowIs(const PaintBox* b, int y, QRgb c) {
  for (int x = 0; x < b->Width(); ++x)
    if (At(b, x, y) != c) return false;
  return true;
}

bool ColumnIs(const PaintBox* b, int x, QRgb c) {
  for (int y = 0; y < b->Height(); ++y)
    if (At(b, x, y) != c) return false;
  return true;
}

// Grid columns read at the top rows: a dotted line starts red at row 0 and skips row 1, a
// solid one covers both.
std::vector<int> GridColumns(const PaintBox* b, bool solid) {
  std::vector<int> xs;
  for (int x = 0; x < b->Width(); ++x)
    if (At(b, x, 0) == kRed && (At(b, x, 1) == kRed) == solid) xs.push_back(x);
  return xs;
}

std::vector<int> Nearests(double step, int from, int to) {
  std::vector<int> xs;
  for (int i = from; i <= to; ++i) xs.push_back(int(std::nearbyint(step * i)));
  return xs;
}

// First and last rows holding colour c.
std::pair<int, int> Rows(const PaintBox* b, QRgb c) {
  int top = -1, bottom = -1;
  for (int y = 0; y < b->Height(); ++y)
    for (int x = 0; x < b->Width(); ++x)
      if (At(b, x, y) == c) {
        if (top < 0) top = y;
        bottom = y;
      }
  return {top, bottom};
}

// Paints a view with a colour no drawing uses, to see whether a handler redrew it.
void Spoil(PaintBox* b) {
  b->Canvas().SetBrushColor({255, 0, 255});
  b->Canvas().FillRect(0, 0, b->Width(), b->Height());
}

// 8-bit frames at 8000 Hz: the sum of sines (Hz, amplitude) around 128, channel 1 of each
// frame; the other channels silent.
std::vector<std::uint8_t> Tones8(int frames, const Tones& tones, int channels = 1) {
  std::vector<std::uint8_t> bytes(std::size_t(frames * channels), 128);
  for (int n = 0; n < frames; ++n) {
    double v = 0;
    for (auto [hz, amp] : tones) v += amp * std::sin(2 * kPi * hz * n / 8000);
    bytes[std::size_t(n * channels)] = std::uint8_t(128 + std::nearbyint(v));
  }
  return bytes;
}

// Writes the sound as a WAVE file and opens it the way the user does.
bool OpenSound(FormHarness& h, const WAVEFORMATEX& fmt, const std::vector<std::uint8_t>& bytes) {
  static QTemporaryDir dir;
  static int serial = 0;
  const QString path = dir.filePath(QString("sound%1.wav").arg(++serial));
  if (WaveWriter::SaveFile(path.toStdString(), fmt, bytes.data(), std::int32_t(bytes.size())) !=
      WaveSaveStatus::Ok)
    return false;
  h.prompts.ChooseNext(path);
  h->OpenClick();
  return h->Sound.HasSound() && h->Sound.Size() == std::int32_t(bytes.size());
}

bool Show(FormHarness& h) {
  h->show();
  return QTest::qWaitForWindowExposed(h.form.get());
}

void Click(QWidget* w, QPoint at) { QTest::mouseClick(w, Qt::LeftButton, {}, at); }
void Click(QWidget* w) { Click(w, w->rect().center()); }

void Next(FormHarness& h) { Click(h->UpDownfftscale->NextButton()); }
void Previous(FormHarness& h) { Click(h->UpDownfftscale->PreviousButton()); }

}  // namespace

class ViewsTest : public QObject {
  Q_OBJECT
private slots:
  // ---- The held sound's own rate ----

  // A 44.1 kHz file under the start settings (8000 Hz for new sound): the 1000 Hz tone
  // stands at 1000 Hz of the 4000 Hz view, its readout says 1000, and the span doubles up
  // to the file's Nyquist frequency, not the settings'.
  void Spectrum_ofAHeldSound_usesItsOwnRate() {
    FormHarness h;
    const WAVEFORMATEX f44{1, 1, 44100, 44100, 1, 8, 0};
    std::vector<std::uint8_t> bytes(44100, 128);
    for (int n = 0; n < 44100; ++n)
      bytes[std::size_t(n)] =
          std::uint8_t(128 + std::nearbyint(100 * std::sin(2 * kPi * 1000 * n / 44100)));
    QVERIFY(OpenSound(h, f44, bytes));
    QCOMPARE(h->NewSound.RecSampleRate, 8000u);
    QCOMPARE(h->View().FftSpan, 4000.0);
    QVERIFY(std::abs(h->Label2->text().toInt() - 1000) <= 1);  // 86 Hz bins, interpolated
    int peakX = -1, peakY = h->PaintBoxFft->Height();
    for (int x = 0; x < h->PaintBoxFft->Width(); ++x)
      for (int y = 0; y < peakY; ++y)
        if (At(h->PaintBoxFft, x, y) == 0xFFFFFF) {
          peakX = x, peakY = y;
          break;
        }
    QVERIFY2(std::abs(peakX - 98) <= 2, qPrintable(QString::number(peakX)));  // 393 * 1000 / 4000
    Previous(h);                                                              // 8000
    Previous(h);                                                              // 16000
    Previous(h);  // 32000 > 22050: refused
    QCOMPARE(h->View().FftSpan, 16000.0);
  }

  // After New nothing is held: a redraw must not bring the old base frequency back.
  void Readout_afterNew_staysEmptyThroughRedraws() {
    FormHarness h;
    QVERIFY(OpenSound(h, kMono8, Tones8(8000, {{1000, 100}})));
    QCOMPARE(h->Label2->text(), QString("1000"));
    h->NewClick();
    QCOMPARE(h->Label2->text(), QString());
    h->RedrawViews();
    QCOMPARE(h->Label2->text(), QString());
  }

  // ---- Grids and traces ----

  void RedrawViews_gridsAt8000Hz512Points_fallOnTheirColumns() {
    FormHarness h;
    QVERIFY(Show(h));
    QVERIFY(OpenSound(h, kMono8, Tones8(8000, {{1000, 100}})));
    QCOMPARE(h->View().WaveGridStep, 10);
    Click(h->ScaleFft->Button(0));  // 100 Hz
    QCOMPARE(h->View().FftGridStep, 100);
    // 64 ms across 393 pixels: 10 ms dotted, 50 ms solid.
    QCOMPARE(GridColumns(h->PaintBoxGra, false), (std::vector<int>{61, 123, 184, 246, 368}));
    QCOMPARE(GridColumns(h->PaintBoxGra, true), std::vector<int>{307});
    // 4000 Hz across: 100 Hz dotted at 9.825 i, 500 Hz solid; the eighth falls at x = 393.
    const std::vector<int> solid{49, 98, 147, 196, 246, 295, 344};
    std::vector<int> dotted;
    for (int x : Nearests(9.825, 1, 39))
      if (std::find(solid.begin(), solid.end(), x) == solid.end()) dotted.push_back(x);
    QCOMPARE(GridColumns(h->PaintBoxFft, true), solid);
    QCOMPARE(GridColumns(h->PaintBoxFft, false), dotted);
    QCOMPARE(dotted.size(), std::size_t(32));
  }

  void RedrawViews_sineSound_greenWaveWhiteSpectrumGreenLevelLine() {
    FormHarness h;
    QVERIFY(OpenSound(h, kMono8, Tones8(8000, {{1000, 100}})));
    // Waveform: 8-bit samples 28 .. 228 around row 84 at 169/512 pixel per unit.
    QCOMPARE(At(h->PaintBoxGra, 0, 84), kGreen);
    QCOMPARE(Rows(h->PaintBoxGra, kGreen), std::make_pair(51, 118));
    QCOMPARE(Count(h->PaintBoxGra, 0x0000FF), 0);  // no second channel
    // Spectrum: bin 64 (1000 Hz) at x = 98, magnitude 27 above the bottom row.
    QCOMPARE(At(h->PaintBoxFft, 98, 149), kWhite);
    QCOMPARE(Rows(h->PaintBoxFft, kWhite).first, 149);
    // Level 0.1004 at magnification 1 lies on the bottom row, drawn over the trace.
    QVERIFY(RowIs(h->PaintBoxFft, 176, kGreen));
    QCOMPARE(Count(h->PaintBoxFft, kGreen), h->PaintBoxFft->Width());
  }

  void RedrawViews_stereo_levelLineOnChannel1Baseline() {
    FormHarness h;
    QVERIFY(OpenSound(h, kStereo8, Tones8(8000, {{1000, 100}}, 2)));
    // Channel 1 stands on the middle row 88 with the level line; channel 2 (silent) on the
    // bottom row, drawn after the line.
    QVERIFY(RowIs(h->PaintBoxFft, 88, kGreen));
    QVERIFY(RowIs(h->PaintBoxFft, 176, kWhite));
    QCOMPARE(At(h->PaintBoxFft, 98, 88 - 27), kWhite);
    QVERIFY(Count(h->PaintBoxGra, 0x0000FF) > 0);
  }

  void RedrawViews_noSound_drawsGridsOnly() {
    FormHarness h;
    QVERIFY(Show(h));
    Next(h);  // a redraw of both views
    for (const PaintBox* b : {h->PaintBoxGra, h->PaintBoxFft}) {
      QCOMPARE(Count(b, 0) + Count(b, kRed), b->Width() * b->Height());
      QVERIFY(Count(b, kRed) > 0);
    }
    // A sound given up with New leaves the same picture.
    QVERIFY(OpenSound(h, kMono8, Tones8(8000, {{1000, 100}})));
    h->NewClick();
    Previous(h);
    for (const PaintBox* b : {h->PaintBoxGra, h->PaintBoxFft})
      QCOMPARE(Count(b, 0) + Count(b, kRed), b->Width() * b->Height());
  }

  void ScaleClicks_changeTheGrid() {
    FormHarness h;
    QVERIFY(Show(h));
    QVERIFY(OpenSound(h, kMono8, Tones8(8000, {{1000, 100}})));
    Click(h->ScaleGraph->Button(0));  // 1 ms: dotted every 6.14 px, solid every 5 ms
    QCOMPARE(h->View().WaveGridStep, 1);
    QCOMPARE(GridColumns(h->PaintBoxGra, true), Nearests(393.0 * 5 / 64, 1, 12));
    QCOMPARE(GridColumns(h->PaintBoxGra, false).size(), std::size_t(64 - 1 - 12));
    Click(h->ScaleFft->Button(3));  // 1000 Hz: three dotted lines, the solid one off the box
    QCOMPARE(h->View().FftGridStep, 1000);
    QCOMPARE(GridColumns(h->PaintBoxFft, false), (std::vector<int>{98, 196, 295}));
    QVERIFY(GridColumns(h->PaintBoxFft, true).empty());
    Click(h->ScaleFft->Button(2));
    QCOMPARE(h->View().FftGridStep, 500);
    QCOMPARE(GridColumns(h->PaintBoxFft, true), std::vector<int>{246});  // 2500 Hz
    // While playing the view is redrawn but the grid stays off.
    QVERIFY(h.StartPlaying());
    Click(h->ScaleGraph->Button(2));
    h.StopPlaying();
    QCOMPARE(h->View().WaveGridStep, 10);
    QCOMPARE(Count(h->PaintBoxGra, kRed), 0);
    QVERIFY(Count(h->PaintBoxGra, kGreen) > 0);
  }

  // ---- Span arrows ----

  // The analysis arrays start as silence: a redraw before any sound finds no peak.
  void Readout_beforeAnySound_staysEmpty() {
    FormHarness h;
    Next(h);
    QVERIFY(h->Label2->text().isEmpty());
    const double* magnitude = h->Analysis().Arrays().magnitude;
    QVERIFY(magnitude);
    for (std::uint32_t k = 0; k < SpectrumAnalysis::kMaxFftSize; ++k) QCOMPARE(magnitude[k], 0.0);
  }

  void SpanArrows_walkBetween250And4000_redrawingEachTime() {
    FormHarness h;
    QVERIFY(Show(h));
    QVERIFY(OpenSound(h, kMono8, Tones8(8000, {{1000, 100}})));
    QCOMPARE(h->View().FftSpan, 4000.0);
    QCOMPARE(h->View().FilterX, 2);
    // One arrow click on spoiled views: the spoiled pixels left in each view and the
    // readout. Every click redraws both views whole and finds the tone again.
    auto press = [&](bool next) {
      Spoil(h->PaintBoxGra);
      Spoil(h->PaintBoxFft);
      h->Label2->setText("?");
      next ? Next(h) : Previous(h);
      return std::tuple{Count(h->PaintBoxGra, kMarker), Count(h->PaintBoxFft, kMarker),
                        h->Label2->text()};
    };
    const std::tuple redrawn{0, 0, QString("1000")};
    const double spans[] = {2000, 1000, 500, 250};
    int filterX = 2;
    for (double span : spans) {
      QCOMPARE(press(true), redrawn);
      filterX *= 2;
      QCOMPARE(h->View().FftSpan, span);
      QCOMPARE(h->View().FilterX, filterX);
      if (span == 2000) QCOMPARE(At(h->PaintBoxFft, 196, 149), kWhite);  // 1000 Hz mid-box
    }
    QCOMPARE(press(true), redrawn);  // 125 Hz is refused
    QCOMPARE(h->View().FftSpan, 250.0);
    QCOMPARE(h->View().FilterX, 32);
    for (double span : {500.0, 1000.0, 2000.0, 4000.0}) {
      QCOMPARE(press(false), redrawn);
      filterX /= 2;
      QCOMPARE(h->View().FftSpan, span);
      QCOMPARE(h->View().FilterX, filterX);
    }
    QCOMPARE(press(false), redrawn);  // 8000 Hz is above half the rate
    QCOMPARE(h->View().FftSpan, 4000.0);
    QCOMPARE(h->View().FilterX, 2);
    // The strip keeps its cursor until its next paint.
    QVERIFY(ColumnIs(h->PaintBoxfftfilter, 2, kGreen));
    QCOMPARE(h->View().FilterFreq, 20u);
  }

  void SpanArrows_whilePlaying_redrawWithoutGrid() {
    FormHarness h;
    QVERIFY(OpenSound(h, kMono8, Tones8(8000, {{1000, 100}})));
    QVERIFY(h.StartPlaying());
    Next(h);
    h.StopPlaying();
    QCOMPARE(h->View().FftSpan, 2000.0);
    QCOMPARE(Count(h->PaintBoxFft, kRed), 0);
    QCOMPARE(Count(h->PaintBoxGra, kRed), 0);
    QCOMPARE(At(h->PaintBoxFft, 196, 149), kWhite);
  }

  // ---- Mouse on the views ----

  void FilterStripClick_at100_sets1018AndDrawsBothCursors() {
    FormHarness h;
    QVERIFY(Show(h));
    QVERIFY(OpenSound(h, kMono8, Tones8(8000, {{1000, 100}, {2000, 50}})));
    QCOMPARE(h->Label2->text(), QString("1000"));
    Click(h->PaintBoxfftfilter, {100, 7});
    QCOMPARE(h->View().FilterFreq, 1018u);
    QCOMPARE(h->View().FilterX, 100);
    QCOMPARE(h->LbFilter->text(), QString("1018"));
    // The strip: one green column on black.
    QVERIFY(ColumnIs(h->PaintBoxfftfilter, 100, kGreen));
    QCOMPARE(Count(h->PaintBoxfftfilter, kGreen), h->PaintBoxfftfilter->Height());
    // The spectrum view: the cursor full height and the number in green right of it.
    QVERIFY(ColumnIs(h->PaintBoxFft, 100, kGreen));
    int greenText = 0;
    for (int y = 0; y < 16; ++y)
      for (int x = 101; x < 140; ++x) {
        const QColor c(h->PaintBoxFft->Image().pixel(x, y));
        greenText += c.green() > 0 && c.red() == 0 && c.blue() == 0;
      }
    QVERIFY(greenText > 10);
    // The analysis now starts above 1018 Hz: the 2000 Hz tone is the base.
    QCOMPARE(h->Label2->text(), QString("2000"));
    // The next redraw takes the number away; the cursor stays on the strip.
    Next(h);
    QVERIFY(!ColumnIs(h->PaintBoxFft, 100, kGreen));
    QVERIFY(ColumnIs(h->PaintBoxfftfilter, 100, kGreen));
  }

  void FilterStripClick_atLeftEdge_givesFilter0AndNoReadout() {
    FormHarness h;
    QVERIFY(OpenSound(h, kMono8, Tones8(8000, {{1000, 100}})));
    QCOMPARE(h->Label2->text(), QString("1000"));
    Click(h->PaintBoxfftfilter, {0, 3});
    QCOMPARE(h->View().FilterFreq, 0u);
    QCOMPARE(h->LbFilter->text(), QString("0"));
    QCOMPARE(h->Label2->text(), QString());
    QVERIFY(ColumnIs(h->PaintBoxfftfilter, 0, kGreen));
    QVERIFY(ColumnIs(h->PaintBoxFft, 0, kGreen));
    // A click further right brings the readout back.
    Click(h->PaintBoxfftfilter, {2, 3});
    QCOMPARE(h->View().FilterFreq, 20u);
    QCOMPARE(h->Label2->text(), QString("1000"));
  }

  void LevelClick_setsLevelFromRow_withTheScaleOfRecBits() {
    FormHarness h;
    QVERIFY(Show(h));
    QVERIFY(OpenSound(h, kMono8, Tones8(8000, {{1000, 100}})));
    // 8-bit: 76 rows above the bottom is level 76, above the 27 of the peak.
    Click(h->PaintBoxFft, {50, 100});
    QCOMPARE(h->View().FftLevel, 76.0);
    QVERIFY(RowIs(h->PaintBoxFft, 100, kGreen));
    QCOMPARE(h->Label2->text(), QString());
    // The bottom row: level 0, every peak passes.
    Click(h->PaintBoxFft, {50, 176});
    QVERIFY(h->View().FftLevel == 0);
    QVERIFY(RowIs(h->PaintBoxFft, 176, kGreen));
    QCOMPARE(h->Label2->text(), QString("1000"));
    // At magnification 2 the same row stands for half the level.
    h->ScrollBarFftTimes->triggerAction(QAbstractSlider::SliderSingleStepSub);
    QCOMPARE(h->View().FftTimes, 2);
    Click(h->PaintBoxFft, {50, 100});
    QCOMPARE(h->View().FftLevel, 38.0);
    QVERIFY(RowIs(h->PaintBoxFft, 100, kGreen));
    h->ScrollBarFftTimes->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    QCOMPARE(h->View().FftTimes, 1);
    // 16-bit settings: the row is level 76 * 255. The held 8-bit sound draws that level
    // off the box; the line the click adds uses the 16-bit scale.
    h->NewSound.RecBits = 16;
    Click(h->PaintBoxFft, {50, 100});
    QCOMPARE(h->View().FftLevel, 76.0 * 255);
    QVERIFY(RowIs(h->PaintBoxFft, 100, kGreen));
    QCOMPARE(Count(h->PaintBoxFft, kGreen), h->PaintBoxFft->Width());
  }

  // ---- Zoom bars ----

  void ZoomBars_whenIdle_redrawTheirViewOnly() {
    FormHarness h;
    QVERIFY(Show(h));
    QVERIFY(OpenSound(h, kMono8, Tones8(8000, {{1000, 100}})));
    Spoil(h->PaintBoxFft);
    h->Label2->setText("?");
    h->ScrollBarWaveTimes->triggerAction(QAbstractSlider::SliderSingleStepSub);  // thumb up
    QCOMPARE(h->ScrollBarWaveTimes->Position(), 8);
    QCOMPARE(h->View().WaveTimes, 2);
    QCOMPARE(Rows(h->PaintBoxGra, kGreen), std::make_pair(18, 151));
    QCOMPARE(GridColumns(h->PaintBoxGra, true), std::vector<int>{307});
    QCOMPARE(Count(h->PaintBoxFft, kMarker), h->PaintBoxFft->Width() * h->PaintBoxFft->Height());

    Spoil(h->PaintBoxGra);
    h->ScrollBarFftTimes->triggerAction(QAbstractSlider::SliderPageStepSub);
    QCOMPARE(h->View().FftTimes, 2);
    QCOMPARE(Rows(h->PaintBoxFft, kWhite).first, 122);  // 2 * 27.01 above row 176
    QVERIFY(!GridColumns(h->PaintBoxFft, false).empty());
    QCOMPARE(Count(h->PaintBoxGra, kMarker), h->PaintBoxGra->Width() * h->PaintBoxGra->Height());
    QCOMPARE(h->Label2->text(), QString("?"));
  }

  void ZoomBars_whilePlaying_onlyStoreTheMagnification() {
    FormHarness h;
    QVERIFY(OpenSound(h, kMono8, Tones8(8000, {{1000, 100}})));
    QVERIFY(h.StartPlaying());
    Spoil(h->PaintBoxGra);
    Spoil(h->PaintBoxFft);
    h->Label2->setText("?");
    h->ScrollBarWaveTimes->triggerAction(QAbstractSlider::SliderToMinimum);
    h->ScrollBarFftTimes->triggerAction(QAbstractSlider::SliderToMinimum);
    h.StopPlaying();
    QCOMPARE(h->View().WaveTimes, 9);
    QCOMPARE(h->View().FftTimes, 200);
    QCOMPARE(Count(h->PaintBoxGra, kMarker), h->PaintBoxGra->Width() * h->PaintBoxGra->Height());
    QCOMPARE(Count(h->PaintBoxFft, kMarker), h->PaintBoxFft->Width() * h->PaintBoxFft->Height());
    QCOMPARE(h->Label2->text(), QString("?"));
  }

  // ---- DataNum ----

  void DataNum_4096ForAShortSound_fallsBackTo256() {
    FormHarness h;
    QVERIFY(Show(h));
    QVERIFY(OpenSound(h, kMono8, Tones8(3000, {{1000, 100}})));
    QCOMPARE(h->View().FftSize, 512u);
    Click(h->Choicedatanum->Button(4));
    QCOMPARE(h->View().FftSize, 256u);
    QCOMPARE(h->Choicedatanum->ItemIndex(), 0);
    QVERIFY(h->Choicedatanum->Button(0)->isChecked());
    QVERIFY(!h->Choicedatanum->Button(4)->isChecked());
    QCOMPARE(h->PlayScrollBar->maximum(), 3000 - 256);
    // 32 ms: ChooseScales picks 5 ms; the readout still finds the tone.
    QCOMPARE(h->ScaleGraph->ItemIndex(), 1);
    QCOMPARE(h->View().WaveGridStep, 5);
    QCOMPARE(h->Label2->text(), QString("1000"));
  }

  void DataNum_largerWindow_pullsThePositionBack() {
    FormHarness h;
    QVERIFY(Show(h));
    QVERIFY(OpenSound(h, kMono8, Tones8(3000, {{1000, 100}})));
    h->PlayScrollBar->setSliderPosition(2000);  // a drag of the play bar
    QCOMPARE(h->Player().PlayPos(), 2000);
    Click(h->Choicedatanum->Button(3));  // 2048: the last window starts at 952
    QCOMPARE(h->View().FftSize, 2048u);
    QCOMPARE(h->PlayScrollBar->maximum(), 952);
    QCOMPARE(h->PlayScrollBar->Position(), 952);
    QCOMPARE(h->Player().PlayPos(), 952);
    QCOMPARE(h->Label2->text(), QString("1000"));
  }

  // ---- The readout ----

  void Readout_showsTheBaseFrequency_data() {
    QTest::addColumn<Tones>("tones");
    QTest::addColumn<QString>("text");
    QTest::newRow("1000 Hz") << Tones{{1000, 100}} << "1000";
    QTest::newRow("440 Hz") << Tones{{440, 100}} << "440";
    QTest::newRow("chord") << Tones{{250, 60}, {500, 30}, {750, 20}} << "250";
    QTest::newRow("silence") << Tones{} << "";
  }
  void Readout_showsTheBaseFrequency() {
    QFETCH(Tones, tones);
    QFETCH(QString, text);
    FormHarness h;
    h->Label2->setText("?");
    QVERIFY(OpenSound(h, kMono8, Tones8(8000, tones)));
    QCOMPARE(h->View().FftSize, 512u);
    QCOMPARE(h->Label2->text(), text);
  }

  void Readout_idleRedrawSortsHarmonics_playingRedrawDoesNot() {
    FormHarness h;
    QVERIFY(OpenSound(h, kMono8, Tones8(8000, {{250, 60}, {500, 30}, {750, 20}})));
    QCOMPARE(h->Analysis().PeakCount, 3u);
    QCOMPARE(h->Analysis().PeakHarmonic[3], 3u);
    QCOMPARE(h->Analysis().PeakLevel[1], 50.0);
    QVERIFY(h.StartPlaying());
    Next(h);
    h.StopPlaying();
    QCOMPARE(h->Label2->text(), QString("250"));
    QVERIFY(std::abs(h->Analysis().PeakLevel[1] - 60 * 0.54 / 2) < 0.5);  // raw magnitude
  }

  void Readout_noBytesPerSecond_emptiedByRedrawViews_keptByRedrawViewsAt() {
    FormHarness h;
    QVERIFY(OpenSound(h, kMono8, Tones8(8000, {{1000, 100}})));
    TFormMain& f = *h;
    f.Label2->setText("?");
    f.RedrawViewsAt(4000);
    QCOMPARE(f.Label2->text(), QString("1000"));
    // No grid there, but the level line.
    QCOMPARE(Count(f.PaintBoxGra, kRed), 0);
    QCOMPARE(Count(f.PaintBoxFft, kRed), 0);
    QVERIFY(RowIs(f.PaintBoxFft, 176, kGreen));
    WAVEFORMATEX noRate = f.Sound.Format();
    noRate.nAvgBytesPerSec = 0;
    f.Sound.SetFormat(noRate);
    f.Label2->setText("440");
    f.RedrawViewsAt(0);
    QCOMPARE(f.Label2->text(), QString("440"));
    f.RedrawViews();
    QCOMPARE(f.Label2->text(), QString());
    QVERIFY(Count(f.PaintBoxGra, kGreen) > 0);
  }

  void Readout_fourDigitsDrawnWholeInsideTheBox() {
    FormHarness h;
    QVERIFY(Show(h));
    h->Label2->setText("1999");
    const QImage img = h->Label2->grab().toImage();
    QCOMPARE(img.width(), 193);
    int left = img.width(), right = -1, top = img.height(), bottom = -1;
    for (int y = 0; y < img.height(); ++y)
      for (int x = 0; x < img.width(); ++x) {
        const QColor c = img.pixelColor(x, y);
        if (c.red() > 64 && c.green() < 32 && c.blue() < 32) {
          left = std::min(left, x);
          right = std::max(right, x);
          top = std::min(top, y);
          bottom = std::max(bottom, y);
        }
      }
    // Red digits on black, none cut at an edge, taking most of the width.
    QCOMPARE(img.pixelColor(0, 0), QColor(Qt::black));
    QVERIFY(left > 0 && right < img.width() - 1);
    QVERIFY(top > 0 && bottom < img.height() - 1);
    QVERIFY(right - left > 150);
  }
};

QTEST_MAIN(ViewsTest)
#include "ViewsTest.moc"
