// The tone mixer window opened by the Mixer button, driven through its controls on the
// simulated device: the sound it writes, the rules of its sliders and edits, the banks and
// the scale, notes and keys, the resets, and a rebuild while the previous sound plays.

#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>
#include <numbers>

#include "MixerHarness.h"
#include "base/Heap.h"
#include "mixer/FrequencyScale.h"
#include "mixer/NoteTable.h"
#include "ui/Edit.h"
#include "ui/PaintBox.h"
#include "ui/RadioGroup.h"
#include "ui/TrackBar.h"
#include "ui/WindowPlace.h"

using namespace mixtest;

namespace {
constexpr double kPi = std::numbers::pi;

// Columns of the strip that hold ink (anything but the silver background).
std::vector<int> InkColumns(const PaintBox* b) {
  std::vector<int> xs;
  for (int x = 0; x < b->Width(); ++x)
    for (int y = 0; y < b->Height(); ++y)
      if ((b->Image().pixel(x, y) & 0xFFFFFF) != 0xC0C0C0) {
        xs.push_back(x);
        break;
      }
  return xs;
}

// Shows the window, makes it active and gives `focus` the keyboard focus.
bool Focus(Tmixplay* w, QWidget* focus) {
  w->show();
  w->activateWindow();
  if (!QTest::qWaitForWindowActive(w)) return false;
  focus->setFocus();
  return w->focusWidget() == focus;
}
}  // namespace

class MixerWindowTest : public QObject {
  Q_OBJECT
private slots:
  void Open_makesTheWindowAndItsSound() {
    FormHarness h;
    Tmixplay* w = OpenMixer(h);
    QVERIFY(w);
    QVERIFY(h->Mixing().MixerOpen() && !h->Mixing().MixerFromFft());
    QCOMPARE(w->windowTitle(), QString("mixplay"));
    QVERIFY(w->isWindow() && w->parentWidget() == h.form.get());
    QCOMPARE(w->size(), QSize(620, 468));
    QCOMPARE(w->minimumSize(), w->maximumSize());
    QVERIFY(!(w->windowFlags() & Qt::WindowMaximizeButtonHint));
    // The named controls of the tables, with their sizes and start values.
    QCOMPARE(w->findChild<TrackBar*>("TrackBar1"), w->AmpBars[1]);
    QCOMPARE(w->findChild<TrackBar*>("TrackBar60"), w->PhaseBars[30]);
    QCOMPARE(w->findChild<Edit*>("Edit30"), w->PhaseEdits[30]);
    QCOMPARE(w->AmpBars[7]->height(), 200);
    QCOMPARE(w->PhaseBars[7]->height(), 53);
    QCOMPARE(w->PaintBox1->size(), QSize(614, 17));
    QCOMPARE(w->PaintBox2->size(), QSize(559, 26));
    QCOMPARE(w->LBmixtime->text(), QString("0.5"));
    for (std::size_t n = 0; n < kNotes.size(); ++n) {
      auto* b = w->findChild<QPushButton*>(kNotes[n].name);
      QVERIFY(b && b == w->NoteButtons[n]);
      QCOMPARE(b->text(), QString(kNotes[n].caption));
      // Sharps stand higher than the white notes, between their neighbours.
      if (kNotes[n].Sharp()) {
        QVERIFY(b->y() + b->height() <= w->NoteButtons[n - 1]->y());
        const QPushButton* right = w->NoteButtons[n + 1];
        QVERIFY(b->x() < right->x() && b->x() + b->width() > right->x());
      }
    }
    // 0.5 s of silence at 8000 Hz, 8 bits, with its device.
    QCOMPARE(h->Sound.Size(), 4000);
    QVERIFY(AllBytes(Shown(*h), 128));
    QVERIFY(h->Player().OutDeviceOpen());

    h->MixerClick();  // again: the same window comes to the front
    QCOMPARE(Window(*h), w);
    QVERIFY(h.prompts.Boxes().empty());
  }

  // The mixer's silent sound replaces a file's sound in the views and the readout too.
  void Open_afterAFile_leavesNoReadoutOfIt() {
    FormHarness h;
    Bytes tone(8000);
    for (int n = 0; n < 8000; ++n)
      tone[std::size_t(n)] = std::uint8_t(128 + std::nearbyint(100 * std::sin(kPi * n / 16)));
    QVERIFY(OpenSound(h, {1, 1, 8000, 8000, 1, 8, 0}, tone));
    QCOMPARE(h->Label2->text(), QString("250"));
    QVERIFY(OpenMixer(h));
    QVERIFY(h->Label2->text().isEmpty());
  }

  // Beside the main window on its screen: right, else left, else as little over it as the
  // screen allows.
  void Place_besideTheOwnerWithinItsScreen() {
    const QRect screen(0, 0, 1920, 1080), owner(640, 300, 640, 440);
    QCOMPARE(PlaceBeside(owner, QSize(622, 500), screen), QPoint(1280, 300));
    QCOMPARE(PlaceBeside(owner.translated(600, 0), QSize(622, 500), screen), QPoint(618, 300));
    QCOMPARE(PlaceBeside(QRect(100, 700, 640, 440), QSize(1500, 500), screen), QPoint(420, 580));
  }

  void Open_refusedDeviceIsReported_andTheWindowOpens() {
    FormHarness h;
    h.devices.Refuse(SimCall::OpenOut, 4, "no device here", SimRefusal::NextCallOnly);
    QVERIFY(OpenMixer(h));
    QCOMPARE(h.prompts.Texts(), QStringList{"no device here"});
    QCOMPARE(h.prompts.Captions(), QStringList{"ERROR"});
    QVERIFY(h->Mixing().MixerOpen() && !h->Player().OutDeviceOpen());
    Window(*h)->TransmitClick();  // builds the sound and asks for the device again
    QVERIFY(h->Player().Playing());
  }

  void Open_outOfMemory_saysSoAndMakesNoWindow() {
    for (int successes : {0, 1}) {  // the block, then the header
      FormHarness h;
      Heap::FailAfter(successes);
      QVERIFY(!OpenMixer(h));
      Heap::FailAfter(-1);
      QCOMPARE(h.prompts.Texts(), QStringList{"No Memory"});
      QCOMPARE(h.prompts.Captions(), QStringList{"ERROR"});
      QVERIFY(!h->Mixing().MixerOpen() && !h->Sound.HasSound());
    }
  }

  void Out_writesTheWorkedSamples_16And8Bits() {
    {
      FormHarness h;
      Tmixplay* w = OpenMixer(h, 16);
      w->AmpBars[1]->SetPosition(0);  // harmonic 1 at amplitude 100; f0 100, volume 10
      QCOMPARE(w->AmpBars[1]->SelStart(), 0);
      w->TransmitClick();
      QCOMPARE(h->Sound.Size(), 8000);
      QCOMPARE(Sample16(*h, 0), 0);
      QCOMPARE(Sample16(*h, 20), 1000);
      QCOMPARE(Sample16(*h, 60), -1000);
      QVERIFY(h->Player().Playing());
      QCOMPARE(h.devices.LastWriteData(), h->Sound.Data());
      QCOMPARE(h.devices.LastWriteBytes(), 8000u);
    }
    FormHarness h;
    Tmixplay* w = OpenMixer(h, 8);
    w->AmpBars[1]->SetPosition(0);
    w->TBmixtime->SetPosition(10);
    QCOMPARE(w->LBmixtime->text(), QString("1"));
    w->TransmitClick();
    QCOMPARE(h->Sound.Size(), 8000);
    const Bytes b = Shown(*h);
    QCOMPARE(int(b[0]), 128);
    QCOMPARE(int(b[20]), 132);
    QCOMPARE(int(b[60]), 124);
    QCOMPARE(h->FormatBoxLines()[2], QString("Size=8000"));
  }

  void AmplitudeSlider_aboveTheLimit_springsBack() {
    FormHarness h;
    Tmixplay* w = OpenMixer(h);
    w->frectimesRG->SetItemIndex(1);              // sliders 1 .. 30 are harmonics 31 .. 60
    QTest::keyClick(w->AmpBars[11], Qt::Key_Up);  // the user moves harmonic 41
    QCOMPARE(w->AmpBars[11]->Position(), 100);
    QCOMPARE(w->Model().Set().Amplitude[41], 0);
    QCOMPARE(w->Model().Set().HarmCount, 0);
    QTest::keyClick(w->AmpBars[10], Qt::Key_Up);  // harmonic 40 is within the limit
    QCOMPARE(w->AmpBars[10]->Position(), 90);
    QCOMPARE(w->Model().Set().Amplitude[40], 10);
    QCOMPARE(w->Model().Set().HarmCount, 40);
  }

  void FrequencyEdit_takesValuesInRange_andPutsThePreviousBack() {
    FormHarness h;
    Tmixplay* w = OpenMixer(h);
    for (const char* bad : {"0", "2500", "abc", "-5"}) {
      w->Edfreq->SetText(bad);
      QCOMPARE(w->freq->Position(), 100);
    }
    w->Edfreq->SetText("440");
    QCOMPARE(w->freq->Position(), 440);
    QCOMPARE(w->Model().HarmLimit(), 9);
    // Typed digit by digit, each value takes effect on the way.
    w->Edfreq->selectAll();
    QTest::keyClick(w->Edfreq, '7');
    QCOMPARE(w->freq->Position(), 7);
    QCOMPARE(w->Model().HarmLimit(), 120);
    QTest::keyClick(w->Edfreq, '5');
    QCOMPARE(w->freq->Position(), 75);
    QCOMPARE(w->Model().HarmLimit(), 53);
    QTest::keyClick(w->Edfreq, '0');
    QCOMPARE(w->freq->Position(), 750);
    QTest::keyClick(w->Edfreq, '0');  // 7500: refused, 750 stays
    QCOMPARE(w->Edfreq->Text(), QString("750"));
    QCOMPARE(w->freq->Position(), 750);
    w->freq->SetPosition(5000);  // the slider clamps, the edit follows
    QCOMPARE(w->Edfreq->Text(), QString("2000"));
  }

  void PhaseControls_ofAnOffHarmonicStayAtZero_andOnesThatAreOnTakeDegrees() {
    FormHarness h;
    Tmixplay* w = OpenMixer(h);
    w->PhaseEdits[2]->SetText("45");
    QCOMPARE(w->PhaseEdits[2]->Text(), QString("0"));
    w->PhaseEdits[2]->selectAll();
    QTest::keyClicks(w->PhaseEdits[2], "37");
    QCOMPARE(w->PhaseEdits[2]->Text(), QString("0"));
    w->PhaseBars[2]->SetPosition(30);
    QCOMPARE(w->PhaseBars[2]->Position(), 0);
    QCOMPARE(w->Model().Set().Phase[2], 0.0);

    w->AmpBars[2]->SetPosition(50);
    w->PhaseEdits[2]->SetText("45");
    QCOMPARE(w->PhaseBars[2]->Position(), 45);
    QCOMPARE(w->Model().Set().Phase[2], 45 * kPi / 180);
    // Beyond the slider's end: the slider stops at 180 and so does the edit, the typed
    // value stays the phase.
    w->PhaseEdits[2]->SetText("200");
    QCOMPARE(w->PhaseBars[2]->Position(), 180);
    QCOMPARE(w->PhaseEdits[2]->Text(), QString("180"));
    QCOMPARE(w->Model().Set().Phase[2], 200 * kPi / 180);
    w->PhaseEdits[3]->SetText("10");  // harmonic 3 is above HarmCount 2
    QCOMPARE(w->PhaseEdits[3]->Text(), QString("0"));
  }

  void Times_showsTheBank_andRelabelsTheScale() {
    FormHarness h;
    Tmixplay* w = OpenMixer(h);
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w));
    QCOMPARE(w->PaintBox1->Image().pixel(0, 0) & 0xFFFFFF, 0xC0C0C0u);
    const std::vector<int> bank0 = InkColumns(w->PaintBox1);
    w->frectimesRG->SetItemIndex(1);
    w->AmpBars[5]->SetPosition(40);  // harmonic 35
    w->PhaseEdits[5]->SetText("30");
    w->frectimesRG->SetItemIndex(0);
    QCOMPARE(w->AmpBars[5]->Position(), 100);
    QCOMPARE(w->PhaseEdits[5]->Text(), QString("0"));
    QCOMPARE(w->Model().Set().Phase[35], 30 * kPi / 180);  // hidden, kept
    w->frectimesRG->SetItemIndex(1);
    QCOMPARE(w->AmpBars[5]->Position(), 40);
    QCOMPARE(w->AmpBars[5]->SelStart(), 40);
    QCOMPARE(w->PhaseEdits[5]->Text(), QString("30"));
    QCOMPARE(w->PhaseBars[5]->Position(), 30);

    // The scale starts at 30 * f0: 3500, 4000, ... where 500, 1000, ... stood.
    const auto labels = FrequencyScaleLabels(614, 100, 1);
    QCOMPARE(labels.front().text, std::string("3500"));
    QCOMPARE(labels.front().x, 77);
    const std::vector<int> bank1 = InkColumns(w->PaintBox1);
    QVERIFY(!bank0.empty() && !bank1.empty());
    QVERIFY(bank0.front() >= 77 && bank0.front() < 80);
    QVERIFY(bank1.front() >= 77 && bank1.front() < 80);
    // Four digits where there were three: the first label reaches further right.
    auto lastOfFirst = [](const std::vector<int>& xs) {
      std::size_t i = 0;
      while (i + 1 < xs.size() && xs[i + 1] - xs[i] < 8) ++i;
      return xs[i];
    };
    QVERIFY(lastOfFirst(bank1) > lastOfFirst(bank0) + 3);
  }

  void Keys_playTheirNotes_andStillReachTheFocusedEdit() {
    FormHarness h;
    Tmixplay* w = OpenMixer(h);
    w->AmpBars[1]->SetPosition(0);
    QVERIFY(Focus(w, w->PhaseEdits[1]));
    QTest::keyClick(w->PhaseEdits[1], 'a');
    QCOMPARE(w->freq->Position(), 220);
    QCOMPARE(w->Edfreq->Text(), QString("220"));
    h.Pump();  // the note is built once the waiting events are handled
    QVERIFY(h->Player().Playing());
    QCOMPARE(h.devices.Calls(SimCall::Write), 1);
    QCOMPARE(w->PhaseEdits[1]->Text(), QString("0a"));  // the edit had the key too
    for (char key : {'+', ';'}) {
      w->Edfreq->SetText("100");
      QTest::keyClick(w->PhaseEdits[1], key);
      QCOMPARE(w->freq->Position(), 523);
      h.Pump();
    }
    QCOMPARE(h.devices.Calls(SimCall::Write), 3);
    w->PhaseEdits[1]->SetText("0");
    QTest::keyClick(w->PhaseEdits[1], '5');  // a digit plays nothing
    QCOMPARE(h.devices.Calls(SimCall::Write), 3);
    QCOMPARE(w->freq->Position(), 523);
    QCOMPARE(w->PhaseBars[1]->Position(), 5);  // "05" reached the edit, whose slider says "5"
    QCOMPARE(w->PhaseEdits[1]->Text(), QString("5"));
    // A key on a button: the note plays once, however far the key travels up.
    QVERIFY(Focus(w, w->reset));
    QTest::keyClick(w->reset, 'k');
    QCOMPARE(w->freq->Position(), 440);
    h.Pump();
    QCOMPARE(h.devices.Calls(SimCall::Write), 4);
    QCOMPARE(w->Label2->text(), QString("10"));
  }

  // Keys that come faster than notes are built: each replaces the one still waiting, so
  // 500 of them build one note, and the window closes among them at once.
  void Keys_fasterThanNotes_buildOnlyTheLast_andCloseMeanwhile() {
    for (bool closeAmong : {false, true}) {
      FormHarness h;
      Tmixplay* w = OpenMixer(h);
      w->AmpBars[1]->SetPosition(0);
      QWidget* to = w->focusWidget() ? w->focusWidget() : w;
      for (int i = 0; i < 500; ++i) {
        const QString key = i % 2 ? "k" : "a";
        QCoreApplication::postEvent(to, new QKeyEvent(QEvent::KeyPress, 0, Qt::NoModifier, key));
        if (closeAmong && i == 250) QMetaObject::invokeMethod(w, "close", Qt::QueuedConnection);
      }
      h.Pump();
      QCOMPARE(h.devices.Calls(SimCall::Write), closeAmong ? 0 : 1);
      QCOMPARE(h->mixplay() == nullptr, closeAmong);
      if (!closeAmong) QCOMPARE(w->freq->Position(), 440);
    }
  }

  void Resets_clearAmplitudesOrPhases_andShowTheFirstBank() {
    FormHarness h;
    Tmixplay* w = OpenMixer(h);
    w->AmpBars[1]->SetPosition(20);
    w->PhaseEdits[1]->SetText("60");
    w->frectimesRG->SetItemIndex(1);
    w->AmpBars[10]->SetPosition(30);  // harmonic 40
    w->PhaseEdits[10]->SetText("-30");
    w->reserphase->click();
    QCOMPARE(w->frectimesRG->ItemIndex(), 0);
    QCOMPARE(w->Model().Bank(), 0);
    QCOMPARE(w->Model().Set().Phase[1], 0.0);
    QCOMPARE(w->Model().Set().Phase[40], 0.0);
    QCOMPARE(w->Model().Set().Amplitude[40], 70);
    QCOMPARE(w->AmpBars[1]->Position(), 20);
    QCOMPARE(w->PhaseEdits[1]->Text(), QString("0"));

    w->PhaseEdits[1]->SetText("60");
    w->reset->click();
    QCOMPARE(w->Model().Set().Amplitude[1], 0);
    QCOMPARE(w->Model().Set().Amplitude[40], 0);
    QCOMPARE(w->Model().Set().Phase[1], 0.0);
    QCOMPARE(w->AmpBars[1]->Position(), 100);
    QCOMPARE(w->PhaseBars[1]->Position(), 0);
  }

  void Out_whilePlaying_stopsFirst_andPlaysTheNewSound() {
    WatchedDevices devices;
    ScriptedPrompts prompts;
    TFormMain form(devices, prompts);
    form.Timer1->blockSignals(true);
    form.MixerClick();
    Tmixplay* w = Window(form);
    QVERIFY(w);
    w->AmpBars[1]->SetPosition(0);
    w->NoteButtons[0]->click();  // 220 Hz, 0.5 s
    QCoreApplication::processEvents();
    QVERIFY(form.Player().Playing());
    devices.sim.Advance(std::chrono::milliseconds(100));
    QCoreApplication::processEvents();
    devices.log.clear();
    w->TBmixtime->SetPosition(20);  // a longer block, so that it may well move
    w->NoteButtons[12]->click();    // 440 Hz while 220 Hz still plays
    QCoreApplication::processEvents();
    QCOMPARE(devices.changedWhileHeld, 0);
    QCOMPARE(devices.log,
             (QStringList{"pause", "reset", "unprepare", "close", "open", "prepare", "write"}));
    QVERIFY(form.Player().Playing());
    QCOMPARE(devices.sim.LastWriteData(), form.Sound.Data());
    QCOMPARE(devices.sim.LastWriteBytes(), 16000u);
    QCOMPARE(form.Player().PlayPos(), 0);
    // The stale notice of the stopped block does not end the new playback.
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
    QVERIFY(form.Player().Playing());
    devices.sim.Advance(std::chrono::milliseconds(1999));
    QCoreApplication::processEvents();
    QVERIFY(form.Player().Playing());
    devices.sim.Advance(std::chrono::milliseconds(2));
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
    QVERIFY(!form.Player().Playing());
    QCOMPARE(devices.changedWhileHeld, 0);
    QVERIFY(prompts.Boxes().empty());
  }

  void Out_outOfMemory_keepsTheSound() {
    FormHarness h;
    Tmixplay* w = OpenMixer(h);
    w->AmpBars[1]->SetPosition(0);
    w->TransmitClick();
    const Bytes before = Shown(*h);
    w->TBmixtime->SetPosition(30);
    Heap::FailAfter(0);
    w->TransmitClick();
    Heap::FailAfter(-1);
    QCOMPARE(h.prompts.Texts(), QStringList{"No Memory"});
    QCOMPARE(h.prompts.Captions(), QStringList{"ERROR"});
    QVERIFY(Shown(*h) == before);
    QVERIFY(!h->Player().Playing());  // the earlier note was stopped before the attempt
  }

  void Close_keepsTheSynthesisedSound_andNewSoundDestroysWithoutClosing() {
    FormHarness h;
    Tmixplay* w = OpenMixer(h);
    w->AmpBars[1]->SetPosition(0);
    w->TransmitClick();
    const Bytes made = Shown(*h);
    h.Advance(600);  // played to the end
    QVERIFY(!h->Player().Playing());
    w->close();
    h.Pump();
    QVERIFY(!h->mixplay() && !h->Mixing().MixerOpen());
    QVERIFY(Shown(*h) == made);
    QVERIFY(h->Player().OutDeviceOpen());

    QVERIFY(OpenMixer(h));  // asks, then gives the sound up
    QCOMPARE(h.prompts.Texts(), QStringList{"Input New data OK?"});
    h->NewClick();
    QVERIFY(!h->mixplay() && !h->Mixing().MixerOpen() && !h->Sound.HasSound());
  }
};

QTEST_MAIN(MixerWindowTest)
#include "MixerWindowTest.moc"
