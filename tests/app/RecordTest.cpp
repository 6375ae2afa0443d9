// REC in the main window on the simulated input with its virtual clock: the window's side
// of starting, the live views, the stop and what the recording becomes, refusals and the
// commands that must wait while a recording runs.

#include <QLabel>
#include <QPushButton>
#include <QtTest>
#include <cmath>

#include "FormHarness.h"
#include "base/Heap.h"
#include "ui/PaintBox.h"
#include "ui/RadioGroup.h"
#include "ui/ScrollBar.h"

namespace {
// A 1000 Hz sine at half scale.
double Sine(std::uint64_t frame) {
  return 0.5 * std::sin(2 * M_PI * 1000.0 * double(frame) / 8000);
}

int Colored(const PaintBox* b, QRgb rgb) {
  int n = 0;
  const QImage& img = b->Image();
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) n += (img.pixel(x, y) & 0xFFFFFF) == rgb;
  return n;
}
constexpr QRgb kGreen = 0x008000, kWhite = 0xFFFFFF, kRed = 0xFF0000;
}  // namespace

class RecordTest : public QObject {
  Q_OBJECT
private slots:
  void Rec_collectsLiveAndStopMakesTheRecordingTheHeldSound() {
    FormHarness h;
    h.devices.SetInputSignal(Sine);
    h->RepButtonClick();
    QVERIFY(h->Rec().Recording());
    QCOMPARE(h->RepButton->text(), QString("STOP"));
    QVERIFY(h->RepButton->isVisible() || !h->isVisible());
    QCOMPARE(h->FormatBoxLines(),
             QStringList({"Bit=8", "Sampling=8000", "Size=1600", "Time=0.20s"}));
    h.Advance(200);  // the first buffer: a job draws it, the readout lags one buffer
    QVERIFY(Colored(h->PaintBoxGra, kGreen) > 0);
    QVERIFY(Colored(h->PaintBoxFft, kWhite) > 0);
    QCOMPARE(Colored(h->PaintBoxGra, kRed), 0);  // no grid while recording
    h.Advance(200);
    QCOMPARE(h->Label2->text(), QString("1000"));
    h.Advance(400);
    // Playback and the other commands wait.
    h->PlayButtonClick();
    QVERIFY(!h->Player().Playing());
    h->NewClick();
    QVERIFY(h->Rec().Recording());
    h->RepButtonClick();  // the stop request
    QCOMPARE(h->RepButton->text(), QString("REC"));
    QVERIFY(!h->Rec().Recording());
    h.Pump();  // the returned buffers finish it
    QVERIFY(h->Sound.HasSound() && h->Player().OutDeviceOpen());
    QCOMPARE(h->Sound.Size(), 4 * 1600);
    QCOMPARE(h->PlayScrollBar->maximum(), 4 * 1600 - 512);
    QCOMPARE(h->FormatBoxLines()[2], QString("Size=6400"));
    QCOMPARE(h->Label2->text(), QString("1000"));  // the recording at the cursor
    QVERIFY(Colored(h->PaintBoxGra, kRed) > 0);
    QVERIFY(h.prompts.Boxes().empty());
    // The recording plays and saves like any sound.
    h->PlayButtonClick();
    QVERIFY(h->Player().Playing());
    QCOMPARE(h.devices.LastWriteBytes(), 6400u);
  }

  void Rec_windowLargerThanABuffer_fallsBackTo256() {
    for (int item : {3, 4, 2}) {
      FormHarness h;
      h->RepButtonClick();  // a sound long enough for every window size
      h.Advance(3000);
      h->RepButtonClick();
      h.Pump();
      h->Choicedatanum->SetItemIndex(item);
      QCOMPARE(h->Choicedatanum->ItemIndex(), item);
      h->RepButtonClick();
      const std::uint32_t expected = item == 2 ? 1024 : 256;
      QCOMPARE(h->View().FftSize, expected);
      QCOMPARE(h->Choicedatanum->ItemIndex(), item == 2 ? 2 : 0);
      QCOMPARE(h->PlayScrollBar->maximum(), int(1600 - expected));
    }
  }

  void Rec_stoppedBeforeTheFirstBuffer_holdsNothingPlayable() {
    FormHarness h;
    h->RepButtonClick();
    h.Advance(100);
    h->RepButtonClick();
    h.Pump();
    QCOMPARE(h.prompts.Texts(), QStringList({"Please Push Button"}));
    QCOMPARE(h.prompts.Captions(), QStringList({"Wait"}));
    QVERIFY(!h->Sound.HasSound() && !h->Player().OutDeviceOpen());
    QCOMPARE(h->Sound.Size(), 0);
    QCOMPARE(h->Label2->text(), QString());
    h->PlayButtonClick();
    QVERIFY(!h->Player().Playing());
    h.prompts.Clear();
    h->SaveClick();
    QCOMPARE(h.prompts.Texts(), QStringList({"no data"}));
    QCOMPARE(h.prompts.DialogsShown(), 0);
    h->RepButtonClick();  // and REC starts again without a question
    QVERIFY(h->Rec().Recording());
  }

  void Rec_overAHeldSound_asksAndCancelKeepsIt() {
    FormHarness h;
    h->RepButtonClick();
    h.Advance(600);
    h->RepButtonClick();
    h.Pump();
    const std::uint8_t* held = h->Sound.Data();
    h.prompts.AnswerNext(false);
    h->RepButtonClick();
    QCOMPARE(h.prompts.Texts(), QStringList({"Input New data OK?"}));
    QVERIFY(!h->Rec().Recording());
    QCOMPARE(h->Sound.Data(), held);
    h->RepButtonClick();  // OK: the held sound goes
    QVERIFY(h->Rec().Recording());
    QVERIFY(!h->Sound.HasSound() && !h->Player().OutDeviceOpen());
  }

  void Rec_refusedByTheDevice_showsItsTextAndLeavesIdle() {
    for (SimCall call : {SimCall::OpenIn, SimCall::PrepareIn, SimCall::AddBuffer, SimCall::Start}) {
      FormHarness h;
      h.devices.Refuse(call, 4, "The device is busy.", SimRefusal::NextCallOnly);
      h->RepButtonClick();
      QCOMPARE(h.prompts.Texts(), QStringList({"The device is busy."}));
      QCOMPARE(h.prompts.Captions(), QStringList({"ERROR"}));
      QVERIFY(!h->Rec().Recording() && !h->Rec().InDeviceOpen());
      QCOMPARE(h->RepButton->text(), QString("REC"));
      QVERIFY(!h.devices.InOpen());
      h.Advance(1000);
      h.prompts.Clear();
      h->RepButtonClick();
      QVERIFY(h->Rec().Recording());
      QVERIFY(h.prompts.Boxes().empty());
    }
  }

  void Rec_outOfMemory_namesTheBlock() {
    FormHarness h;
    Heap::FailAfter(0);
    h->RepButtonClick();
    QCOMPARE(h.prompts.Texts(), QStringList({"No pwavedata"}));
    QVERIFY(!h->Rec().Recording());
    h.prompts.Clear();
    Heap::FailAfter(4);
    h->RepButtonClick();
    QCOMPARE(h.prompts.Texts(), QStringList({"No pwaveheader"}));
    // Running out while collecting keeps what was collected and stops.
    h.prompts.Clear();
    h->RepButtonClick();
    h.Advance(400);
    Heap::FailAfter(0);
    h.Advance(200);
    QCOMPARE(h.prompts.Texts(), QStringList({"No pwavedata"}));
    QCOMPARE(h->RepButton->text(), QString("REC"));
    h.Pump();
    QCOMPARE(h->Sound.Size(), 3200);
    QVERIFY(h->Player().OutDeviceOpen());
  }

  void Rec_whilePlaying_doesNothing() {
    FormHarness h;
    h->RepButtonClick();
    h.Advance(600);
    h->RepButtonClick();
    h.Pump();
    h->PlayButtonClick();
    QVERIFY(h->Player().Playing());
    h->RepButtonClick();
    QVERIFY(!h->Rec().Recording());
    QCOMPARE(h.devices.Calls(SimCall::OpenIn), 1);
  }

  void Exit_whileRecording_stopsAndClosesEverything() {
    FormHarness h;
    h->RepButtonClick();
    h.Advance(400);
    h->ShutDown();
    QVERIFY(!h->Rec().Recording() && !h->Rec().InDeviceOpen());
    QVERIFY(!h.devices.InOpen() && !h.devices.OutOpen());
    h.Pump();  // late notices meet nothing
    QVERIFY(!h->Sound.HasSound());
  }

  void Fftmix_hiddenBaseLabel_andScalesOfTheRecording() {
    FormHarness h;
    h->NewSound.RecSampleRate = 44100;
    h->NewSound.RecBits = 16;
    h->RepButtonClick();
    QCOMPARE(h->Sound.Format().nSamplesPerSec, 44100u);
    h.Advance(400);
    h->RepButtonClick();
    h.Pump();
    QCOMPARE(h->Sound.Size(), 2 * 17640);
    QCOMPARE(h->ScaleFft->ItemIndex(), 3);  // 1000 Hz grid for 44100 Hz
    QVERIFY(h->LBAorFFT->isHidden());
  }
};

QTEST_MAIN(RecordTest)
#include "RecordTest.moc"
