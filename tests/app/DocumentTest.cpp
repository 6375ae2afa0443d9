// The sound document's operations: the play range, the scales, New and shutdown.

#include <QtTest>
#include <vector>

#include "FormHarness.h"
#include "ui/PaintBox.h"
#include "ui/RadioGroup.h"
#include "ui/ScrollBar.h"

namespace {
// A held sound of `bytes` bytes of silence in `fmt`, as a file reader leaves it (device
// open). False when it could not be held.
bool Hold(FormHarness& h, WAVEFORMATEX fmt, std::int32_t bytes) {
  const std::vector<std::uint8_t> silence(std::size_t(bytes), fmt.wBitsPerSample == 8 ? 128 : 0);
  return AdoptSound(*h, fmt, silence.data(), bytes) && h->OpenWaveOut();
}

// A document of `bytes` bytes in `fmt` with no block: all the play range reads.
void SizeOnly(FormHarness& h, WAVEFORMATEX fmt, std::int32_t bytes) {
  h->Sound.SetFormat(fmt);
  KeepSizeOnly(*h, bytes);
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
  // The range and steps go to the play bar, the cursor back to 0, a fall-back to "256"
  // shows in DataNum, a sound too short gets the box (the numbers are PlayRange's).
  void ResetPlayRange_setsTheBarDataNumAndTheBox() {
    FormHarness h;
    QVERIFY(Hold(h, kMono8, 1600));
    int cursor = 300;
    h->PlayScrollBarScroll(cursor);
    h->ResetPlayRange();
    QCOMPARE(h->Player().PlayPos(), 0);
    QCOMPARE(h->PlayScrollBar->Position(), 0);
    QCOMPARE(h->PlayScrollBar->maximum(), 1088);
    QCOMPARE(h->PlayScrollBar->pageStep(), 256);
    QCOMPARE(h->PlayScrollBar->singleStep(), 51);
    QVERIFY(h.prompts.Boxes().empty());
    SizeOnly(h, kMono8, 700);
    h->ResetPlayRange();
    QCOMPARE(h->View().FftSize, 256u);
    QCOMPARE(h->Choicedatanum->ItemIndex(), 0);
    QCOMPARE(h->PlayScrollBar->maximum(), 444);
    QVERIFY(h.prompts.Boxes().empty());
    SizeOnly(h, kMono8, 400);
    h->ResetPlayRange();
    QCOMPARE(h->PlayScrollBar->maximum(), 1);
    QCOMPARE(h->PlayScrollBar->pageStep(), 1);
    QCOMPARE(h.prompts.Texts(), QStringList{"Please Push Button"});
    QCOMPARE(h.prompts.Captions(), QStringList{"Wait"});
  }

  // Fewer than 256 frames: the DataNum fallback must not push the position or the range
  // below 0; the outcome is the range 0 .. 1 and the box.
  void ResetPlayRange_fewerThan256Frames_staysAtZero() {
    FormHarness h;
    SizeOnly(h, {1, 2, 8000, 32000, 4, 16, 0}, 400);  // 100 frames
    h->Choicedatanum->SetItemIndex(3);
    h->ResetPlayRange();
    QCOMPARE(h->Player().PlayPos(), 0);
    QCOMPARE(h->PlayScrollBar->minimum(), 0);
    QCOMPARE(h->PlayScrollBar->maximum(), 1);
    QCOMPARE(h->PlayScrollBar->Position(), 0);
    QCOMPARE(h->View().FftSize, 256u);
    QCOMPARE(h.prompts.Texts().last(), QString("Please Push Button"));
  }

  // The groups show the chosen steps (the choice itself is ViewSettings').
  void ChooseScales_selectsTheGroupsItems() {
    FormHarness h;
    SizeOnly(h, kMono8, 1 << 20);
    h->Choicedatanum->SetItemIndex(2);  // 1024 points
    WAVEFORMATEX fmt = kMono8;
    fmt.nSamplesPerSec = 22050;
    h->Sound.SetFormat(fmt);
    h->ChooseScales();
    QCOMPARE(h->ScaleFft->ItemIndex(), 2);
    QCOMPARE(h->ScaleGraph->ItemIndex(), 1);
    QCOMPARE(h->View().FftGridStep, 500);
    QCOMPARE(h->View().WaveGridStep, 5);
    fmt.nSamplesPerSec = 0;  // nothing to choose from
    h->Sound.SetFormat(fmt);
    h->ChooseScales();
    QCOMPARE(h->ScaleFft->ItemIndex(), 2);
  }

  void New_twice_emptiesTheDocumentAndClearsViews() {
    FormHarness h;
    QVERIFY(Hold(h, kMono8, 16000));
    int cursor = 1000;
    h->PlayScrollBarScroll(cursor);
    h->NewClick();
    QVERIFY(!h->Sound.HasSound());
    QVERIFY(!h->Player().OutDeviceOpen());
    QVERIFY(!h.devices.OutOpen());
    QVERIFY(IsBlack(h->PaintBoxGra) && IsBlack(h->PaintBoxFft));
    // New leaves the format, the size and the position as they were.
    QCOMPARE(h->Sound.Size(), 16000);
    QCOMPARE(h->Player().PlayPos(), 1000);
    QCOMPARE(h->Sound.Format(), kMono8);
    h->NewClick();
    QVERIFY(!h->Sound.HasSound());
    QVERIFY(h.prompts.Boxes().empty());
  }

  void New_whileRecording_doesNothing() {
    FormHarness h;
    QVERIFY(h.StartRecording());
    h.Advance(400);
    h->NewClick();
    QVERIFY(h->Rec().Recording() && h->Rec().InDeviceOpen() && h.devices.InOpen());
    h.StopRecording();
    QCOMPARE(h->Sound.Size(), 2 * 1600);
  }

  void ConfirmNewData_askesOnlyWhenHolding_andCancelKeepsAll() {
    FormHarness h;
    QVERIFY(h->ConfirmNewData());
    QVERIFY(h.prompts.Boxes().empty());
    QVERIFY(Hold(h, kMono8, 16000));
    h.prompts.AnswerNext(false);
    QVERIFY(!h->ConfirmNewData());
    QCOMPARE(h.prompts.Texts(), QStringList{"Input New data OK?"});
    QCOMPARE(h.prompts.Captions(), QStringList{"Message"});
    QCOMPARE(h.prompts.Boxes()[0].buttons, Prompts::Buttons::OkCancel);
    QVERIFY(h->Sound.HasSound() && h->Player().OutDeviceOpen());
    h->MixerClick();  // the question answered OK: the mixer's sound is held
    QVERIFY(h->mixplay() && h->Player().OutDeviceOpen());
    QVERIFY(h->ConfirmNewData());
    QVERIFY(!h->Sound.HasSound() && !h->Player().OutDeviceOpen() && !h->Mixing().MixerOpen());
    QVERIFY(!h->mixplay());
    QVERIFY(!h.devices.OutOpen());
  }

  // A held sound whose device was lost still plays and saves: it goes only with the
  // user's OK, as does an open mixer (it writes into the held sound).
  void ConfirmNewData_noDevice_asksForAHeldSoundOrAnOpenMixer() {
    FormHarness h;
    QVERIFY(Hold(h, kMono8, 16000));
    h->CloseWaveOut();
    h.prompts.AnswerNext(false);
    QVERIFY(!h->ConfirmNewData());
    QCOMPARE(h.prompts.Texts(), QStringList{"Input New data OK?"});
    QVERIFY(h->Sound.HasSound());
    h.prompts.Clear();
    QVERIFY(h.StartRecording());
    QVERIFY(h.prompts.Texts() == QStringList{"Input New data OK?"} && !h->Sound.HasSound());
    QCOMPARE(h->Sound.Size(), 1600);  // one capture buffer, not the sound of before
    h.StopRecording();

    h->NewClick();
    h.devices.Refuse(SimCall::OpenOut, 32, "refused");
    h->MixerClick();
    QVERIFY(h->mixplay() && !h->Player().OutDeviceOpen());
    h.prompts.Clear();
    h.prompts.AnswerNext(false);
    h->RepButtonClick();
    QCOMPARE(h.prompts.Texts(), QStringList{"Input New data OK?"});
    QVERIFY(h->mixplay() && !h->Rec().Recording());
    QVERIFY(h.StartRecording());
    QVERIFY(!h->mixplay() && !h->Mixing().MixerOpen());
  }

  void OpenWaveOut_refused_showsDeviceTextAndHoldsNoDevice() {
    FormHarness h;
    h.devices.Refuse(SimCall::OpenOut, 32, "The device cannot play this format.",
                     SimRefusal::NextCallOnly);
    QVERIFY(!h->OpenWaveOut());
    QVERIFY(!h->Player().OutDeviceOpen());
    QVERIFY(!h.devices.LiveOut());
    QCOMPARE(h.prompts.Texts(), QStringList{"The device cannot play this format."});
    QCOMPARE(h.prompts.Captions(), QStringList{"ERROR"});
    QVERIFY(h->OpenWaveOut());
    QVERIFY(h->Player().OutDeviceOpen());
    QCOMPARE(*h.devices.LastOutFormat(), h->Sound.Format());
    h->CloseWaveOut();
    QVERIFY(!h->Player().OutDeviceOpen() && !h.devices.LiveOut() && !h.devices.OutOpen());
    h->CloseWaveOut();  // closing twice is harmless
  }

  void ShutDown_destroysMixerClosesDevicesFreesAll() {
    FormHarness h;
    h->MixerClick();
    QPointer<QWidget> mixer = h->mixplay();
    QVERIFY(mixer && h->Sound.HasSound() && h->Player().OutDeviceOpen());
    h->ShutDown();
    QVERIFY(mixer.isNull());
    QVERIFY(!h->Mixing().MixerOpen() && !h->Player().OutDeviceOpen() && !h->Sound.HasSound());
    QVERIFY(!h->Analysis().Arrays().magnitude && !h->Analysis().Arrays().spectrum);
    QVERIFY(!h.devices.OutOpen());
    QCOMPARE(h.devices.Calls(SimCall::ResetOut), 1);
    QCOMPARE(h.devices.Calls(SimCall::CloseOut), 1);
    h.form.reset();  // the window then goes without running it again
  }

  void Close_runsShutDownOnce() {
    FormHarness h;
    QVERIFY(Hold(h, kMono8, 16000));
    h->show();
    QVERIFY(QTest::qWaitForWindowExposed(h.form.get()));
    QVERIFY(h->close());
    QVERIFY(!h->Sound.HasSound() && !h->Analysis().Arrays().magnitude);
    h.form.reset();
    QCOMPARE(h.devices.Calls(SimCall::CloseOut), 1);
  }
};

QTEST_MAIN(DocumentTest)
#include "DocumentTest.moc"
