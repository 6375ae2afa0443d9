// The sound document's operations: the play range, the scales, New and shutdown.

#include <QtTest>

#include "FormHarness.h"
#include "PaintBox.h"
#include "RadioGroup.h"
#include "ScrollBar.h"
#include "base/Heap.h"

namespace {
// A held sound of `bytes` bytes in `fmt`, as a file reader leaves it (device open).
void Hold(FormHarness& h, WAVEFORMATEX fmt, std::int32_t bytes) {
  TFormMain& f = *h;
  f.WaveFormat = fmt;
  f.DataSize = bytes;
  f.WaveData = static_cast<std::uint8_t*>(Heap::Alloc(std::size_t(bytes)));
  std::memset(f.WaveData, fmt.wBitsPerSample == 8 ? 128 : 0, std::size_t(bytes));
  f.WaveHdr = static_cast<WAVEHDR*>(Heap::Alloc(sizeof(WAVEHDR)));
  *f.WaveHdr = WAVEHDR{};
  QVERIFY(f.OpenWaveOut());
}

const WAVEFORMATEX kMono8{1, 1, 8000, 8000, 1, 8, 0};

bool IsBlack(const PaintBox* b) {
  const QImage& img = b->Image();
  for (int y = 0; y < img.height(); y += 7)
    for (int x = 0; x < img.width(); x += 7)
      if ((img.pixel(x, y) & 0xFFFFFF) != 0) return false;
  return true;
}
}  // namespace

class DocumentTest : public QObject {
  Q_OBJECT
private slots:
  void ResetPlayRange_roomForTheWindow_setsRangeAndSteps() {
    FormHarness h;
    h->WaveFormat = kMono8;
    h->DataSize = 1600;
    h->PlayPos = 300;
    h->ResetPlayRange();
    QCOMPARE(h->PlayPos, 0);
    QCOMPARE(h->PlayScrollBar->Position(), 0);
    QCOMPARE(h->PlayScrollBar->maximum(), 1088);
    QCOMPARE(h->PlayScrollBar->pageStep(), 256);
    QCOMPARE(h->PlayScrollBar->singleStep(), 51);
    QCOMPARE(h->FftSize, 512u);
    QVERIFY(h.prompts.Boxes().empty());
  }

  void ResetPlayRange_shortSound_fallsBackTo256() {
    FormHarness h;
    h->WaveFormat = kMono8;
    h->DataSize = 700;
    h->ResetPlayRange();
    QCOMPARE(h->FftSize, 256u);
    QCOMPARE(h->Choicedatanum->ItemIndex(), 0);
    QCOMPARE(h->PlayScrollBar->maximum(), 444);
    QCOMPARE(h->PlayScrollBar->pageStep(), 128);
    QCOMPARE(h->PlayScrollBar->singleStep(), 25);
    QVERIFY(h.prompts.Boxes().empty());
  }

  void ResetPlayRange_tooShort_asksToPushButton() {
    FormHarness h;
    h->WaveFormat = kMono8;
    h->DataSize = 400;
    h->ResetPlayRange();
    QCOMPARE(h->PlayScrollBar->maximum(), 1);
    QCOMPARE(h->PlayScrollBar->pageStep(), 1);
    QCOMPARE(h->PlayScrollBar->singleStep(), 1);
    QCOMPARE(h.prompts.Texts(), QStringList{"Please Push Button"});
    QCOMPARE(h.prompts.Captions(), QStringList{"Wait"});
  }

  // Fewer than 256 frames: the DataNum fallback must not push the position or the range
  // below 0; the outcome is the range 0 .. 1 and the box.
  void ResetPlayRange_fewerThan256Frames_staysAtZero() {
    FormHarness h;
    h->WaveFormat = {1, 2, 8000, 32000, 4, 16, 0};
    h->DataSize = 400;  // 100 frames
    h->Choicedatanum->SetItemIndex(3);
    h->ResetPlayRange();
    QCOMPARE(h->PlayPos, 0);
    QCOMPARE(h->PlayScrollBar->minimum(), 0);
    QCOMPARE(h->PlayScrollBar->maximum(), 1);
    QCOMPARE(h->PlayScrollBar->Position(), 0);
    QCOMPARE(h->FftSize, 256u);
    QCOMPARE(h.prompts.Texts().last(), QString("Please Push Button"));
  }

  void ChooseScales_picksGridsFromRateAndSize() {
    FormHarness h;
    struct Case {
      std::uint32_t rate, fft;
      int hzItem, msItem, hz, ms;
    };
    const Case cases[] = {{8000, 512, 1, 2, 200, 10},  {44100, 4096, 3, 2, 1000, 10},
                          {48000, 256, 3, 0, 1000, 1}, {22050, 1024, 2, 1, 500, 5},
                          {16000, 512, 1, 1, 200, 5},  {4000, 512, 0, 2, 100, 10},
                          {44100, 512, 3, 0, 1000, 1}};
    for (const Case& c : cases) {
      h->WaveFormat.nSamplesPerSec = c.rate;
      h->FftSize = c.fft;
      h->ChooseScales();
      QCOMPARE(h->ScaleFft->ItemIndex(), c.hzItem);
      QCOMPARE(h->ScaleGraph->ItemIndex(), c.msItem);
      QCOMPARE(h->FftGridStep, c.hz);
      QCOMPARE(h->WaveGridStep, c.ms);
    }
    h->WaveFormat.nSamplesPerSec = 0;  // nothing to choose from
    h->ChooseScales();
    QCOMPARE(h->FftGridStep, 1000);
  }

  void New_twice_emptiesTheDocumentAndClearsViews() {
    FormHarness h;
    Hold(h, kMono8, 16000);
    h->PlayPos = 1000;
    h->NewClick();
    QVERIFY(!h->HasSound());
    QVERIFY(!h->OutDeviceOpen);
    QVERIFY(!h.devices.OutOpen());
    QVERIFY(IsBlack(h->PaintBoxGra) && IsBlack(h->PaintBoxFft));
    // New leaves the format, the size and the position as they were.
    QCOMPARE(h->DataSize, 16000);
    QCOMPARE(h->PlayPos, 1000);
    QCOMPARE(h->WaveFormat, kMono8);
    h->NewClick();
    QVERIFY(!h->HasSound());
    QVERIFY(h.prompts.Boxes().empty());
  }

  void New_whileRecording_doesNothing() {
    FormHarness h;
    Hold(h, kMono8, 16000);
    h->Recording = true;
    h->NewClick();
    QVERIFY(h->HasSound());
    QVERIFY(h->OutDeviceOpen);
    h->Recording = false;
  }

  void ConfirmNewData_askesOnlyWhenHolding_andCancelKeepsAll() {
    FormHarness h;
    QVERIFY(h->ConfirmNewData());
    QVERIFY(h.prompts.Boxes().empty());
    Hold(h, kMono8, 16000);
    h.prompts.AnswerNext(false);
    QVERIFY(!h->ConfirmNewData());
    QCOMPARE(h.prompts.Texts(), QStringList{"Input New data OK?"});
    QCOMPARE(h.prompts.Captions(), QStringList{"Message"});
    QCOMPARE(h.prompts.Boxes()[0].buttons, Prompts::Buttons::OkCancel);
    QVERIFY(h->HasSound() && h->OutDeviceOpen);
    auto* mixer = new QWidget(h.form.get(), Qt::Window);
    h->mixplay = mixer;
    h->MixerOpen = true;
    QVERIFY(h->ConfirmNewData());
    QVERIFY(!h->HasSound() && !h->OutDeviceOpen && !h->MixerOpen);
    QVERIFY(h->mixplay.isNull());
    QVERIFY(!h.devices.OutOpen());
  }

  // A held sound whose device was lost is still given up with the question, and the
  // mixer that writes into it goes with it.
  void ConfirmNewData_soundWithoutDevice_stillAsksAndFrees() {
    FormHarness h;
    Hold(h, kMono8, 16000);
    h->CloseWaveOut();
    QPointer<QWidget> mixer = new QWidget(h.form.get(), Qt::Window);
    h->mixplay = mixer.data();
    h->MixerOpen = true;
    QVERIFY(h->ConfirmNewData());
    QCOMPARE(h.prompts.Texts(), QStringList{"Input New data OK?"});
    QVERIFY(!h->HasSound() && !h->MixerOpen && mixer.isNull());
  }

  void OpenWaveOut_refused_showsDeviceTextAndHoldsNoDevice() {
    FormHarness h;
    h.devices.Refuse(SimCall::OpenOut, 32, "The device cannot play this format.",
                     SimRefusal::NextCallOnly);
    QVERIFY(!h->OpenWaveOut());
    QVERIFY(!h->OutDeviceOpen);
    QVERIFY(!h->HWaveOut);
    QCOMPARE(h.prompts.Texts(), QStringList{"The device cannot play this format."});
    QCOMPARE(h.prompts.Captions(), QStringList{"ERROR"});
    QVERIFY(h->OpenWaveOut());
    QVERIFY(h->OutDeviceOpen);
    QCOMPARE(*h.devices.LastOutFormat(), h->WaveFormat);
    h->CloseWaveOut();
    QVERIFY(!h->OutDeviceOpen && !h->HWaveOut && !h.devices.OutOpen());
    h->CloseWaveOut();  // closing twice is harmless
  }

  void ShutDown_destroysMixerClosesDevicesFreesAll() {
    FormHarness h;
    Hold(h, kMono8, 16000);
    QPointer<QWidget> mixer = new QWidget(h.form.get(), Qt::Window);
    h->mixplay = mixer.data();
    h->MixerOpen = true;
    h->ShutDown();
    QVERIFY(mixer.isNull());
    QVERIFY(!h->MixerOpen && !h->OutDeviceOpen && !h->HasSound());
    QVERIFY(!h->FftMagnitude && !h->FftSpectrum);
    QVERIFY(!h.devices.OutOpen());
    QCOMPARE(h.devices.Calls(SimCall::ResetOut), 1);
    QCOMPARE(h.devices.Calls(SimCall::CloseOut), 1);
    h.form.reset();  // the window then goes without running it again
  }

  void Close_runsShutDownOnce() {
    FormHarness h;
    Hold(h, kMono8, 16000);
    h->show();
    QVERIFY(QTest::qWaitForWindowExposed(h.form.get()));
    QVERIFY(h->close());
    QVERIFY(!h->HasSound() && !h->FftMagnitude);
    h.form.reset();
    QCOMPARE(h.devices.Calls(SimCall::CloseOut), 1);
  }
};

QTEST_MAIN(DocumentTest)
#include "DocumentTest.moc"
