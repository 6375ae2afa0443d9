// The Bit&Sampling and SlowRecTime dialogs and the menu commands that open them.

#include <QPushButton>
#include <QRadioButton>
#include <QtTest>
#include <vector>

#include "FormHarness.h"
#include "ModalDriver.h"
#include "dialogs/recbitsamp.h"
#include "dialogs/slowrec.h"
#include "ui/RadioGroup.h"

namespace {
// Closes a dialog with its OK button.
template <class Dialog>
void ClickOk(Dialog& d) {
  d.OKBtn->click();
}
}  // namespace

// The dialog was shown and closed as asked.
#define VERIFY_ANSWERED(driver)                                             \
  do {                                                                      \
    QVERIFY((driver).Shown());                                              \
    QVERIFY2((driver).Problem().isEmpty(), qPrintable((driver).Problem())); \
  } while (0)

class SettingsDialogsTest : public QObject {
  Q_OBJECT
private slots:
  void FormatData_startSettings_choose16bit44100() {
    FormHarness h;
    h->Sound.SetFormat({1, 1, 8000, 8000, 1, 8, 0});
    KeepSizeOnly(*h, 16000);
    int bitItem = -1, rateItem = -1;
    QString caption;
    QSize size;
    ModalDriver<Tbitsampling> dialog(
        [&](Tbitsampling& d) {
          caption = d.windowTitle();
          size = d.size();
          bitItem = d.Bit->ItemIndex();
          rateItem = d.Sampling->ItemIndex();
          QTest::mouseClick(d.Bit->Button(1), Qt::LeftButton);
          QTest::mouseClick(d.Sampling->Button(7), Qt::LeftButton);
        },
        ClickOk<Tbitsampling>);
    h->FormatDataClick();
    VERIFY_ANSWERED(dialog);
    QCOMPARE(caption, QString("Bit&Sampling"));
    QCOMPARE(size, QSize(210, 245));
    QCOMPARE(bitItem, 0);
    QCOMPARE(rateItem, 0);
    QCOMPARE(h->NewSound.RecBits, 16u);
    QCOMPARE(h->NewSound.RecSampleRate, 44100u);
    QCOMPARE(h->View().FftSpan, 22050.0);
    QCOMPARE(h->Sound.Size(), 16000);
    QCOMPARE(h->Sound.Format().wBitsPerSample, 8);
    // The next sound made is 16-bit mono at 44100 Hz.
    const WAVEFORMATEX next = h->NewSound.MakeWaveFormat();
    QCOMPARE(next.nAvgBytesPerSec, 88200u);
    QCOMPARE(next.nBlockAlign, 2);
  }

  void FormatData_rateNotInList_becomes48000() {
    FormHarness h;
    h->NewSound.RecSampleRate = 11000;
    int rateItem = -1;
    ModalDriver<Tbitsampling> dialog(  // closed by the title bar
        [&](Tbitsampling& d) { rateItem = d.Sampling->ItemIndex(); });
    h->FormatDataClick();
    VERIFY_ANSWERED(dialog);
    QCOMPARE(rateItem, 8);
    QCOMPARE(h->NewSound.RecSampleRate, 48000u);
    QCOMPARE(h->View().FftSpan, 24000.0);
  }

  void SlowRecTime_remembersChoice_alsoWhenClosedByTitleBar() {
    FormHarness h;
    int item = -1;
    {
      ModalDriver<TOKBottomDlg> dialog(  // closed by the title bar
          [&](TOKBottomDlg& d) {
            item = d.SlowRecTime->ItemIndex();
            QTest::mouseClick(d.SlowRecTime->Button(2), Qt::LeftButton);
          });
      h->SlowRecTimeClick();
      VERIFY_ANSWERED(dialog);
    }
    QCOMPARE(item, 0);
    QCOMPARE(h->NewSound.SlowRecSeconds, 0.6);
    {
      ModalDriver<TOKBottomDlg> dialog([&](TOKBottomDlg& d) { item = d.SlowRecTime->ItemIndex(); },
                                       ClickOk<TOKBottomDlg>);
      h->SlowRecTimeClick();
      VERIFY_ANSWERED(dialog);
    }
    QCOMPARE(item, 2);
    for (double s : {0.2, 0.4, 0.8, 1.0}) {
      h->NewSound.SlowRecSeconds = s;
      ModalDriver<TOKBottomDlg> dialog([&](TOKBottomDlg& d) { item = d.SlowRecTime->ItemIndex(); },
                                       ClickOk<TOKBottomDlg>);
      h->SlowRecTimeClick();
      VERIFY_ANSWERED(dialog);
      QCOMPARE(item, int(s * 5 - 1 + 0.5));
      QCOMPARE(h->NewSound.SlowRecSeconds, s);
    }
  }

  void Commands_refusedWhilePlayingRecordingOrMixing() {
    FormHarness h;
    const std::vector<std::uint8_t> silence(16000, 128);
    QVERIFY(AdoptSound(*h, {1, 1, 8000, 8000, 1, 8, 0}, silence.data(), 16000));
    QVERIFY(h->OpenWaveOut());
    for (int state = 0; state < 3; ++state) {
      if (state == 0) QVERIFY(h.StartPlaying());
      if (state == 1) {
        h.StopPlaying();
        QVERIFY(h.StartRecording());  // gives the held sound up: one question
        h.Advance(400);
      }
      if (state == 2) h.StopRecording();
      QCOMPARE(h->Player().Playing(), state == 0);
      QCOMPARE(h->Rec().Recording(), state == 1);
      if (state == 2) {
        h->NewClick();
        h->MixerClick();
      }
      {
        ModalDriver<Tbitsampling> dialog([](Tbitsampling&) {}, ClickOk<Tbitsampling>);
        h->FormatDataClick();
        QCoreApplication::processEvents();
        QVERIFY(!dialog.Shown());
        QVERIFY2(dialog.Problem().isEmpty(), qPrintable(dialog.Problem()));
      }
      {
        ModalDriver<TOKBottomDlg> dialog([](TOKBottomDlg&) {}, ClickOk<TOKBottomDlg>);
        h->SlowRecTimeClick();
        QCoreApplication::processEvents();
        QVERIFY(!dialog.Shown());
        QVERIFY2(dialog.Problem().isEmpty(), qPrintable(dialog.Problem()));
      }
    }
    h->mixplay()->close();
    QVERIFY(!h->Player().Playing());
    QCOMPARE(h->View().FftSpan, 4000.0);
    QCOMPARE(h.prompts.Texts(), QStringList({"Input New data OK?"}));
  }
};

QTEST_MAIN(SettingsDialogsTest)
#include "SettingsDialogsTest.moc"
