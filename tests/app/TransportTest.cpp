// Playback, the follow timer with its painting jobs, and the play cursor, on the simulated
// device with its virtual clock. Timer ticks are run by hand at chosen clock times (the
// real timer's signal is blocked), painting jobs run when the test pumps the event loop.

#include <QLabel>
#include <QPushButton>
#include <QtTest>
#include <cstring>
#include <random>
#include <vector>

#include "FormHarness.h"
#include "analysis/mygraph.h"
#include "ui/PaintBox.h"
#include "ui/RadioGroup.h"
#include "ui/ScrollBar.h"

namespace {
const WAVEFORMATEX kMono8{1, 1, 8000, 8000, 1, 8, 0};
const WAVEFORMATEX kMono16{1, 1, 8000, 16000, 2, 16, 0};

// A held sound as a file reader leaves it (device open, cursor range set), filled with
// noise near silence so that every offset and zoom draws a different picture. The real
// timer's ticks are kept out: the test runs Timer1Timer itself. False when it could not be
// held.
bool Hold(FormHarness& h, WAVEFORMATEX fmt, std::int32_t bytes) {
  TFormMain& f = *h;
  std::vector<std::uint8_t> data(static_cast<std::size_t>(bytes));
  std::mt19937 noise(bytes);
  for (std::int32_t i = 0; i < bytes; ++i)
    data[i] = std::uint8_t(fmt.wBitsPerSample == 8 ? 108 + noise() % 41 : noise() % 256);
  if (fmt.wBitsPerSample == 16)  // high bytes small: about +-2000
    for (std::int32_t i = 1; i < bytes; i += 2) data[i] = std::uint8_t(noise() % 16 - 8);
  if (!AdoptSound(f, fmt, data.data(), bytes) || !f.OpenWaveOut()) return false;
  f.ResetPlayRange();
  f.ChooseScales();
  f.RedrawViews();
  f.Timer1->blockSignals(true);
  return true;
}

int RedPixels(const PaintBox* b) {
  int n = 0;
  const QImage& img = b->Image();
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) n += (img.pixel(x, y) & 0xFFFFFF) == 0xFF0000;
  return n;
}

bool IsBlack(const PaintBox* b) {
  const QImage& img = b->Image();
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x)
      if ((img.pixel(x, y) & 0xFFFFFF) != 0) return false;
  return true;
}

// A copy of what the box shows now (its canvas draws into the image in place, so a
// shared copy would change with it).
QImage Snapshot(const PaintBox* b) { return b->Image().copy(); }

// The waveform box as a painting job draws it for `offset` at `zoom`.
QImage WaveAt(TFormMain& f, std::int64_t offset, int zoom) {
  QImage img(f.PaintBoxGra->Width(), f.PaintBoxGra->Height(), QImage::Format_RGB32);
  ImageCanvas c(img);
  ClearBox(c);
  DrawWaveBox(c, f.Sound.ViewShown(offset, int(f.View().FftSize)), WaveStyle{1, zoom});
  return img;
}

// A user's drag of the play cursor to `pos`.
void Drag(ScrollBar* bar, int pos) { bar->setSliderPosition(pos); }

// Devices that log every output call in order, over the simulated ones.
class LoggedOut : public WaveOutDevice {
public:
  LoggedOut(std::unique_ptr<WaveOutDevice> d, QStringList& log) : d_(std::move(d)), log_(log) {}
  DeviceResult Prepare(WAVEHDR& h) override { return Log("prepare", d_->Prepare(h)); }
  DeviceResult Unprepare(WAVEHDR& h) override { return Log("unprepare", d_->Unprepare(h)); }
  DeviceResult Write(WAVEHDR& h) override { return Log("write", d_->Write(h)); }
  DeviceResult GetPosition(MMTIME& t) override { return d_->GetPosition(t); }
  DeviceResult Pause() override { return Log("pause", d_->Pause()); }
  DeviceResult Reset() override { return Log("reset", d_->Reset()); }
  DeviceResult Close() override { return Log("close", d_->Close()); }

private:
  DeviceResult Log(const char* call, DeviceResult r) {
    log_ << call;
    return r;
  }
  std::unique_ptr<WaveOutDevice> d_;
  QStringList& log_;
};

class LoggedDevices : public AudioDevices {
public:
  SimTestDevices sim{SimClockMode::Virtual};
  QStringList log;
  DeviceResult OpenOut(const WAVEFORMATEX& fmt, DeviceNoticeSink& sink,
                       std::unique_ptr<WaveOutDevice>& out) override {
    std::unique_ptr<WaveOutDevice> d;
    const DeviceResult r = sim.OpenOut(fmt, sink, d);
    log << "open";
    if (d) out = std::make_unique<LoggedOut>(std::move(d), log);
    return r;
  }
  DeviceResult OpenIn(const WAVEFORMATEX& fmt, DeviceNoticeSink& sink,
                      std::unique_ptr<WaveInDevice>& out) override {
    return sim.OpenIn(fmt, sink, out);
  }
  std::string Description() const override { return "logged"; }
};
}  // namespace

class TransportTest : public QObject {
  Q_OBJECT
private slots:
  // ---- A whole playback ----

  void Play_toTheEnd_endsAtStartWithThumbOnLastFrame() {
    FormHarness h;
    QVERIFY(Hold(h, kMono8, 16000));  // 2 s, FftSize 512
    QVERIFY(RedPixels(h->PaintBoxGra) > 0);
    h->PlayButtonClick();
    QCOMPARE(h->PlayButton->text(), QString("STOP"));
    QVERIFY(h->Player().Playing() && h->Timer1->isActive());
    h.Advance(1000);
    h->Timer1Timer();
    QCOMPARE(h->Label1->text(), QString("1.000s"));
    QCOMPARE(h->PlayScrollBar->Position(), 8000);
    h.Pump();
    h.Advance(1000);  // the block has played: the notice ends the playback
    QVERIFY(!h->Player().Playing() && !h->Timer1->isActive());
    QCOMPARE(h->PlayButton->text(), QString("PLAY"));
    QCOMPARE(h->Player().PlayPos(), 0);
    QCOMPARE(h->PlayScrollBar->Position(), 16000 - 512);
    QVERIFY(RedPixels(h->PaintBoxGra) > 0 && RedPixels(h->PaintBoxFft) > 0);
    QVERIFY(h.prompts.Boxes().empty());
  }

  // The tick that finds the end before the notice does leaves the caption and the device
  // to the notice, which still ends the playback.
  void Timer1Timer_endBeforeNotice_showsLastFrameAndNoticeFinishes() {
    FormHarness h;
    QVERIFY(Hold(h, kMono16, 16000));  // 1 s
    h->NewSound.RecBits = 16;
    h->PlayButtonClick();
    h.devices.Advance(std::chrono::milliseconds(1000));  // the notice waits in the queue
    h->Timer1Timer();
    QVERIFY(!h->Player().Playing() && !h->Timer1->isActive());
    QCOMPARE(h->Label1->text(), QString("1.000s"));
    QCOMPARE(h->PlayScrollBar->Position(), 16000 - 2 * 512);
    QCOMPARE(h->PaintBoxGra->Image(), WaveAt(*h, 16000 - 2 * 512, 1));
    QCOMPARE(h->PlayButton->text(), QString("STOP"));
    h.Pump();
    QCOMPARE(h->PlayButton->text(), QString("PLAY"));
    QCOMPARE(h->Player().PlayPos(), 0);
    QVERIFY(RedPixels(h->PaintBoxGra) > 0);
    QVERIFY(h.prompts.Boxes().empty());
  }

  // ---- Stop, resume, start from the cursor ----

  void Stop_midway_noticeAddsZeroAndPlayResumesAtCursor() {
    FormHarness h;
    QVERIFY(Hold(h, kMono16, 32000));  // 2 s
    h->NewSound.RecBits = 16;
    h->PlayButtonClick();
    h.Advance(500);
    h->Timer1Timer();  // draws, thumb to 8000
    h.Pump();
    h.Advance(100);  // plays on past the last drawn cursor
    h->PlayButtonClick();
    QVERIFY(!h->Player().Playing() && !h->Timer1->isActive());
    QCOMPARE(h->PlayButton->text(), QString("PLAY"));
    QCOMPARE(h->Player().PlayPos(), 8000);
    QVERIFY(RedPixels(h->PaintBoxGra) > 0);  // the full redraw of the stop
    h.Pump();                                // the returned block's notice
    QCOMPARE(h->Player().PlayPos(), 8000);
    QCOMPARE(h->PlayScrollBar->Position(), 8000);
    QCOMPARE(h->PlayButton->text(), QString("PLAY"));
    QVERIFY(h.prompts.Boxes().empty());
    h->PlayButtonClick();
    QCOMPARE(h.devices.LastWriteData(), h->Sound.Data() + 8000);
    QCOMPARE(h.devices.LastWriteBytes(), 32000u - 8000u);
  }

  void Play_fromDraggedCursor_submitsTheRestOnly() {
    FormHarness h;
    QVERIFY(Hold(h, kMono16, 32000));
    Drag(h->PlayScrollBar, 1601);
    QCOMPARE(h->Player().PlayPos(), 1600);
    h->PlayButtonClick();
    QCOMPARE(h.devices.LastWriteData(), h->Sound.Data() + 1600);
    QCOMPARE(h.devices.LastWriteBytes(), 32000u - 1600u);
    h.Advance(100);  // 1600 bytes more
    h->Timer1Timer();
    QCOMPARE(h->Label1->text(), QString("0.200s"));
    QCOMPARE(h->PlayScrollBar->Position(), 3200);
  }

  // ---- The tick: look-ahead, time label, painting job ----

  // The painting job draws the frame the transport chose, after the tick (the look-ahead
  // itself is the transport's).
  void Timer1Timer_drawsTheFrameOnePeriodAhead() {
    FormHarness h;
    const WAVEFORMATEX fmt{1, 1, 16000, 16000, 1, 8, 0};
    h->NewSound.RecSampleRate = 16000;
    QVERIFY(Hold(h, fmt, 48000));
    h->Choicedatanum->SetItemIndex(0);
    h->PlayButtonClick();
    h.Advance(1000);
    const QImage before = Snapshot(h->PaintBoxGra);
    h->Timer1Timer();
    QCOMPARE(h->PaintBoxGra->Image(), before);  // the job paints after the tick
    QCOMPARE(h->Label1->text(), QString("1.000s"));
    QCOMPARE(h->PlayScrollBar->Position(), 16000);
    h.Pump();
    QCOMPARE(h->PaintBoxGra->Image(), WaveAt(*h, 16000 + 3072, 1));  // 12.5 -> 12 windows
    QVERIFY(h->PaintBoxGra->Image() != WaveAt(*h, 16000, 1));
  }

  void Timer1Timer_labelCountsWhileFrameNoLongerFits() {
    FormHarness h;
    QVERIFY(Hold(h, kMono8, 16000));
    h->PlayButtonClick();
    h.Advance(1900);  // 15200: the frame 1536 ahead would pass the end
    h->Timer1Timer();
    QCOMPARE(h->Label1->text(), QString("1.900s"));
    QCOMPARE(h->PlayScrollBar->Position(), 0);  // the cursor stays
    const QImage before = Snapshot(h->PaintBoxGra);
    h.Pump();
    QCOMPARE(h->PaintBoxGra->Image(), before);  // no job
    QVERIFY(h->Player().Playing());
  }

  void PaintJob_duringPlayback_hasNoGrids_andGridsReturnAfterEnd() {
    FormHarness h;
    QVERIFY(Hold(h, kMono8, 16000));
    QVERIFY(RedPixels(h->PaintBoxGra) > 0 && RedPixels(h->PaintBoxFft) > 0);
    h->PlayButtonClick();
    h.Advance(200);
    h->Timer1Timer();
    h.Pump();
    QCOMPARE(RedPixels(h->PaintBoxGra), 0);
    QCOMPARE(RedPixels(h->PaintBoxFft), 0);
    h.Advance(1800);
    QVERIFY(RedPixels(h->PaintBoxGra) > 0 && RedPixels(h->PaintBoxFft) > 0);
  }

  // A job still queued when the playback ends must not wipe the grids drawn at the end.
  void PaintJob_queuedWhenPlaybackStops_isDropped() {
    FormHarness h;
    QVERIFY(Hold(h, kMono8, 16000));
    h->PlayButtonClick();
    h.Advance(200);
    h->Timer1Timer();
    h->PlayButtonClick();  // stop before the job has painted
    const QImage stopped = Snapshot(h->PaintBoxGra);
    QVERIFY(RedPixels(h->PaintBoxGra) > 0);
    h.Pump();
    QCOMPARE(h->PaintBoxGra->Image(), stopped);
  }

  void ZoomBars_duringPlayback_takeEffectAtTheNextTick() {
    FormHarness h;
    QVERIFY(Hold(h, kMono8, 24000));
    h->Choicedatanum->SetItemIndex(4);  // 4096: the job draws at the cursor
    h->PlayButtonClick();
    h.Advance(200);
    h->Timer1Timer();  // job with zoom 1
    const QImage before = Snapshot(h->PaintBoxGra);
    h->ScrollBarWaveTimes->triggerAction(QAbstractSlider::SliderSingleStepSub);
    QCOMPARE(h->View().WaveTimes, 2);
    QCOMPARE(h->PaintBoxGra->Image(), before);  // only stored while playing
    h.Pump();
    QCOMPARE(h->PaintBoxGra->Image(), WaveAt(*h, 1600, 1));
    h.Advance(200);
    h->Timer1Timer();
    h.Pump();
    QCOMPARE(h->PaintBoxGra->Image(), WaveAt(*h, 3200, 2));
    QVERIFY(WaveAt(*h, 3200, 2) != WaveAt(*h, 3200, 1));
    QCOMPARE(RedPixels(h->PaintBoxGra), 0);
  }

  // ---- Device refusals ----

  // The timer stops before the box (a modal box lets ticks run); the sound plays on and
  // the notice still ends the playback.
  void Timer1Timer_positionRefused_stopsTimerAndNoticeStillEnds() {
    FormHarness h;
    QVERIFY(Hold(h, kMono8, 8000));
    h->PlayButtonClick();
    h.Advance(300);
    h.devices.Refuse(SimCall::GetPosition, 7, "busy", SimRefusal::NextCallOnly);
    bool timerDuringBox = true;
    h.prompts.WhileOpen = [&](const ScriptedPrompts::Box&) {
      timerDuringBox = h->Timer1->isActive();
    };
    h->Timer1Timer();
    QCOMPARE(h.prompts.Texts(), QStringList{"error"});
    QCOMPARE(h.prompts.Captions(), QStringList{"time"});
    QVERIFY(!timerDuringBox && !h->Timer1->isActive());
    QVERIFY(h->Player().Playing());
    QCOMPARE(h->PlayButton->text(), QString("STOP"));
    h.Advance(700);
    QVERIFY(!h->Player().Playing());
    QCOMPARE(h->PlayButton->text(), QString("PLAY"));
    QCOMPARE(h->Player().PlayPos(), 0);
    QCOMPARE(h.prompts.Boxes().size(), std::size_t(1));
  }

  void MMWomDone_positionRefused_stillEndsPlayback() {
    FormHarness h;
    QVERIFY(Hold(h, kMono8, 8000));
    h->PlayButtonClick();
    h.devices.Refuse(SimCall::GetPosition, 7, "busy", SimRefusal::NextCallOnly);
    h.Advance(1000);
    QCOMPARE(h.prompts.Texts(), QStringList{"error"});
    QCOMPARE(h.prompts.Captions(), QStringList{"time"});
    QVERIFY(!h->Player().Playing() && !h->Timer1->isActive());
    QCOMPARE(h->PlayButton->text(), QString("PLAY"));
    QCOMPARE(h->PlayScrollBar->Position(), 8000 - 512);
  }

  // The notice of a stopped block changes nothing: it reads no position (a refusing
  // device shows no box) and leaves PlayPos where the stop put it.
  void MMWomDone_afterStop_leavesCursorAndAsksNothing() {
    FormHarness h;
    QVERIFY(Hold(h, kMono8, 16000));
    h->PlayButtonClick();
    h.Advance(500);
    h->Timer1Timer();
    h->PlayButtonClick();
    QCOMPARE(h->Player().PlayPos(), 4000);
    h.devices.Refuse(SimCall::GetPosition, 7, "busy", SimRefusal::NextCallOnly);
    h.Pump();
    QVERIFY(h.prompts.Boxes().empty());
    QCOMPARE(h->Player().PlayPos(), 4000);
    QCOMPARE(h->PlayScrollBar->Position(), 4000);
    QCOMPARE(h->PlayButton->text(), QString("PLAY"));
  }

  // STOP and PLAY again before the stopped block's notice is handled: that notice must
  // not end the new playback nor move its start.
  void MMWomDone_lateNoticeOfStoppedBlock_leavesNewPlaybackAlone() {
    FormHarness h;
    QVERIFY(Hold(h, kMono8, 16000));
    h->PlayButtonClick();
    h.Advance(500);
    h->Timer1Timer();
    h->PlayButtonClick();  // stop at 4000; its notice is queued
    h->PlayButtonClick();  // play again from 4000 before it is handled
    QVERIFY(h->Player().Playing());
    h.devices.Advance(std::chrono::milliseconds(250));
    h.Pump();  // the stopped block's notice arrives now
    QVERIFY(h->Player().Playing() && h->Timer1->isActive());
    QCOMPARE(h->Player().PlayPos(), 4000);
    QCOMPARE(h->PlayButton->text(), QString("STOP"));
    QVERIFY(h.prompts.Boxes().empty());
  }

  void Play_prepareOrWriteRefused_boxNoDeviceNoTimer() {
    for (SimCall call : {SimCall::PrepareOut, SimCall::Write}) {
      FormHarness h;
      QVERIFY(Hold(h, kMono8, 16000));
      h.devices.Refuse(call, 11, "The device refused the block.", SimRefusal::NextCallOnly);
      bool timerDuringBox = true;
      QString buttonDuringBox;
      h.prompts.WhileOpen = [&](const ScriptedPrompts::Box&) {
        timerDuringBox = h->Timer1->isActive();
        buttonDuringBox = h->PlayButton->text();
      };
      h->PlayButtonClick();
      QCOMPARE(h.prompts.Texts(), QStringList{"The device refused the block."});
      QCOMPARE(h.prompts.Captions(), QStringList{"wave"});
      QVERIFY(!timerDuringBox);
      QCOMPARE(buttonDuringBox, QString("STOP"));  // PLAY comes back once the box is closed
      QCOMPARE(h->PlayButton->text(), QString("PLAY"));
      QVERIFY(!h->Player().Playing() && !h->Timer1->isActive());
      h.Pump();
      h->PlayButtonClick();  // no device: PLAY opens one again
      QCOMPARE(h.prompts.Boxes().size(), std::size_t(1));
      QVERIFY(h->Player().Playing());
    }
  }

  // ---- The play cursor ----

  void PlayScrollBarScroll_alignsToTheFrame() {
    FormHarness h;
    QVERIFY(Hold(h, kMono8, 16000));
    Drag(h->PlayScrollBar, 1001);
    QCOMPARE(h->Player().PlayPos(), 1001);
    QCOMPARE(h->PlayScrollBar->Position(), 1001);
    QCOMPARE(h->Label1->text(), QString("0.125s"));
    QVERIFY(RedPixels(h->PaintBoxGra) > 0);
    FormHarness h16;
    QVERIFY(Hold(h16, kMono16, 16000));
    Drag(h16->PlayScrollBar, 1001);
    QCOMPARE(h16->Player().PlayPos(), 1000);
    QCOMPARE(h16->PlayScrollBar->Position(), 1000);
  }

  void PlayScrollBarScroll_noSound_snapsToZero() {
    FormHarness h;
    h->PlayScrollBar->SetMax(1000);
    Drag(h->PlayScrollBar, 500);
    QCOMPARE(h->PlayScrollBar->Position(), 0);
    QCOMPARE(h->Player().PlayPos(), 0);
    QCOMPARE(h->Label1->text(), QString("0.000s"));
  }

  // A drag during playback changes nothing; the next drawing tick puts the thumb back, and
  // a stop right after the drag starts the next playback on a whole frame.
  void PlayScrollBarScroll_whilePlaying_isIgnored() {
    FormHarness h;
    QVERIFY(Hold(h, kMono16, 32000));
    h->NewSound.RecBits = 16;
    h->PlayButtonClick();
    h.Advance(200);
    Drag(h->PlayScrollBar, 9001);
    QCOMPARE(h->Player().PlayPos(), 0);
    QCOMPARE(h->Label1->text(), QString("0.000s"));
    h->Timer1Timer();
    QCOMPARE(h->PlayScrollBar->Position(), 3200);
    Drag(h->PlayScrollBar, 9001);
    h->PlayButtonClick();
    QCOMPARE(h->Player().PlayPos(), 9000);
    h.Pump();
    h->PlayButtonClick();
    QCOMPARE(h.devices.LastWriteData(), h->Sound.Data() + 9000);
    QCOMPARE(h.devices.LastWriteBytes(), 23000u);
  }

  // ---- Commands that do not apply ----

  void Play_withNoSoundOrWhileRecording_doesNothing() {
    FormHarness h;
    h->PlayButtonClick();
    QCOMPARE(h->PlayButton->text(), QString("PLAY"));
    QCOMPARE(h.devices.Calls(SimCall::Write), 0);
    QVERIFY(Hold(h, kMono8, 16000));
    QVERIFY(h.StartRecording());
    h.prompts.Clear();
    h->PlayButtonClick();
    QVERIFY(!h->Player().Playing() && !h->Timer1->isActive());
    QCOMPARE(h.devices.Calls(SimCall::PrepareOut), 0);
    QVERIFY(h.prompts.Boxes().empty());
  }

  void Play_soundShorterThanOneWindow_playsToItsEnd() {
    FormHarness h;
    QVERIFY(Hold(h, {1, 2, 8000, 32000, 4, 16, 0}, 400));  // 100 frames
    QCOMPARE(h.prompts.Texts(), QStringList{"Please Push Button"});
    h->NewSound.RecBits = 16;
    h->PlayButtonClick();
    QCOMPARE(h.devices.LastWriteBytes(), 400u);
    h.devices.Advance(std::chrono::milliseconds(5));  // 160 bytes
    h->Timer1Timer();
    QCOMPARE(h->Label1->text(), QString("0.005s"));
    h.devices.Advance(std::chrono::milliseconds(10));
    h->Timer1Timer();  // the end: no last frame to show
    QVERIFY(!h->Player().Playing() && !h->Timer1->isActive());
    h.Pump();
    QCOMPARE(h->PlayButton->text(), QString("PLAY"));
    QCOMPARE(h->Player().PlayPos(), 0);
    QCOMPARE(h->PlayScrollBar->Position(), 0);
    QCOMPARE(h.prompts.Boxes().size(), std::size_t(1));
  }

  // ---- New, freed sounds and shutdown ----

  void New_duringPlayback_stopsFirstAndLateNoticeIsHarmless() {
    FormHarness h;
    QVERIFY(Hold(h, kMono8, 16000));
    h->PlayButtonClick();
    h.Advance(400);
    h->Timer1Timer();  // a job waits to paint from the block New frees
    h->NewClick();
    QVERIFY(!h->Player().Playing() && !h->Timer1->isActive());
    QCOMPARE(h->PlayButton->text(), QString("PLAY"));
    QVERIFY(!h->Player().OutDeviceOpen() && !h.devices.LiveOut() && !h.devices.OutOpen());
    QVERIFY(!h->Sound.HasSound());
    h.Pump();  // the late notice and the job
    h.Advance(2000);
    QVERIFY(!h->Player().Playing() && !h->Player().OutDeviceOpen() && !h.devices.OutOpen());
    QVERIFY(h.prompts.Boxes().empty());
    QVERIFY(IsBlack(h->PaintBoxGra) && IsBlack(h->PaintBoxFft));
  }

  void PaintJob_blockFreedBeforePaint_doesNotPaint() {
    FormHarness h;
    QVERIFY(Hold(h, kMono8, 16000));
    const QImage shown = Snapshot(h->PaintBoxGra);
    TFormMain& f = *h;
    const SoundDocument::Handle block = f.Sound.ShownHandle();
    const int frames = int(f.View().FftSize);
    h->StartPaintJob([&f, block, frames] { return f.Sound.View(block, 0, frames); });
    QVERIFY(h->ConfirmNewData());  // frees the block
    h.Pump();
    QCOMPARE(h->PaintBoxGra->Image(), shown);
  }

  void Close_whilePlaying_stopsThenClosesInOrder() {
    LoggedDevices devices;
    ScriptedPrompts prompts;
    auto form = std::make_unique<TFormMain>(devices, prompts);
    TFormMain& f = *form;
    const std::vector<std::uint8_t> silence(8000, 128);
    QVERIFY(AdoptSound(f, kMono8, silence.data(), 8000));
    QVERIFY(f.OpenWaveOut());
    f.PlayButtonClick();
    devices.log.clear();
    f.show();
    QVERIFY(f.close());
    const QStringList expected{"pause", "reset", "unprepare", "close",
                               "open",  "reset", "unprepare", "close"};
    QCOMPARE(devices.log, expected);
    QVERIFY(!f.Player().Playing() && !f.Timer1->isActive() && !f.Sound.HasSound());
    QVERIFY(!devices.sim.OutOpen());
    QCoreApplication::processEvents();  // the returned block's notice
    QVERIFY(prompts.Boxes().empty());
  }

  void PaintJob_windowDestroyedFirst_doesNotPaint() {
    FormHarness h;
    QVERIFY(Hold(h, kMono8, 16000));
    h->show();
    h->PlayButtonClick();
    h.Advance(200);
    h->Timer1Timer();
    h.form.reset();  // the job is still queued
    h.Pump();
    QVERIFY(!h.devices.OutOpen());
  }

  // ---- Time text ----

  void FormatSeconds_usesLocaleSeparatorWithoutGrouping() {
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    QCOMPARE(TFormMain::FormatSeconds(1234.5), QString("1234.500s"));
    QCOMPARE(TFormMain::FormatSeconds(1.25), QString("1.250s"));
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    QCOMPARE(TFormMain::FormatSeconds(1234.5), QString("1234,500s"));
    QLocale::setDefault(saved);
  }
};

QTEST_MAIN(TransportTest)
#include "TransportTest.moc"
