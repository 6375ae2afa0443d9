// The main window as it comes up: its controls, menu, start-up state and format box.

#include <QFontInfo>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

#include "FormHarness.h"
#include "base/Heap.h"
#include "ui/PaintBox.h"
#include "ui/RadioGroup.h"
#include "ui/ScrollBar.h"
#include "ui/UpDown.h"

class MainWindowTest : public QObject {
  Q_OBJECT
private slots:
  void Controls_haveTheirNamesPlacesAndCaptions() {
    FormHarness h;
    TFormMain& f = *h;
    QCOMPARE(f.windowTitle(), QString("Kelvor"));
    QCOMPARE(f.centralWidget()->size(), QSize(638, 392));
    QVERIFY(!(f.windowFlags() & Qt::WindowMaximizeButtonHint));
    struct Place {
      const char* name;
      QRect rect;
    };
    const Place places[] = {
        {"PaintBoxGra", {8, 0, 393, 169}},
        {"PaintBoxFft", {8, 192, 393, 177}},
        {"PaintBoxfftfilter", {8, 371, 393, 14}},
        {"wavedatafmt", {519, 300, 98, 77}},
        {"Bevel1", {511, 294, 114, 91}},
        {"PlayScrollBar", {7, 172, 394, 15}},
        {"ScrollBarWaveTimes", {409, 0, 16, 165}},
        {"ScrollBarFftTimes", {409, 192, 16, 177}},
        {"Label2", {432, 0, 193, 97}},
        {"Choicedatanum", {440, 104, 65, 105}},
        {"ScaleGraph", {440, 210, 65, 65}},
        {"ScaleFft", {439, 277, 66, 74}},
        {"UpDownfftscale", {468, 353, 35, 14}},
        {"LbFilter", {474, 371, 26, 12}},
        {"PlayButton", {515, 110, 110, 38}},
        {"RepButton", {515, 156, 110, 38}},
        {"Mixer", {515, 202, 110, 38}},
        {"fftmix", {515, 248, 110, 38}},
    };
    for (const Place& p : places) {
      auto* w = f.centralWidget()->findChild<QWidget*>(p.name);
      QVERIFY2(w, p.name);
      QCOMPARE(w->geometry(), p.rect);
    }
    for (auto [name, pos] : {std::pair{"Label4", QPoint(433, 354)},
                             {"Label5", QPoint(434, 371)},
                             {"LBAorFFT", QPoint(404, 173)},
                             {"Label1", QPoint(522, 363)}})
      QCOMPARE(f.centralWidget()->findChild<QLabel*>(name)->pos(), pos);
    QCOMPARE(f.PlayButton->text(), QString("PLAY"));
    QCOMPARE(f.RepButton->text(), QString("REC"));
    QCOMPARE(f.Mixer->text(), QString("Mixer"));
    QCOMPARE(f.fftmix->text(), QString("fftmix"));
    QCOMPARE(f.Label1->text(), QString("0.000s"));
    QCOMPARE(f.Label4->text(), QString("Scale"));
    QCOMPARE(f.Label5->text(), QString("Filter"));
    QCOMPARE(f.LBAorFFT->text(), QString("BASE"));
    QVERIFY(f.LBAorFFT->isHidden());
    QVERIFY(f.Label2->text().isEmpty());
    QCOMPARE(f.Choicedatanum->title(), QString("DataNum"));
    QCOMPARE(f.ScaleGraph->title(), QString("ms"));
    QCOMPARE(f.ScaleFft->title(), QString("Hz"));
    QCOMPARE(f.ScaleFft->Button(3)->text(), QString("1000"));
    QCOMPARE(f.Choicedatanum->Button(4)->text(), QString("4096"));
    QCOMPARE(f.ScaleGraph->ItemIndex(), 2);
    QCOMPARE(f.ScaleFft->ItemIndex(), 0);
    QCOMPARE(f.Timer1->interval(), 200);
    QVERIFY(!f.Timer1->isActive());
    QCOMPARE(f.PlayScrollBar->pageStep(), 10);
    QCOMPARE(f.PlayScrollBar->singleStep(), 2);
    QCOMPARE(f.ScrollBarFftTimes->minimum(), 1);
    QCOMPARE(f.ScrollBarFftTimes->maximum(), 200);
    QCOMPARE(f.ScrollBarWaveTimes->maximum(), 9);
  }

  void Menu_hasEveryItemInOrder() {
    FormHarness h;
    TFormMain& f = *h;
    QStringList bar;
    for (QAction* a : f.menuBar()->actions()) bar << a->text();
    QCOMPARE(bar, (QStringList{"File", "Option", "Version", "Help"}));
    QStringList file, option;
    for (QAction* a : f.File1->actions()) file << a->objectName() + "=" + a->text();
    for (QAction* a : f.Delay1->actions()) option << a->objectName() + "=" + a->text();
    QCOMPARE(file,
             (QStringList{"Open=Open", "AddFile1=AddFile", "Save=Save", "New=New", "Exit1=Exit"}));
    QCOMPARE(option, (QStringList{"FormatData=FormatData", "SlowRecTime=SlowRecTime"}));
    QCOMPARE(f.Version->objectName(), QString("Version"));
    QCOMPARE(f.Help1->objectName(), QString("Help1"));
  }

  void TabOrder_followsTheFocusableControls() {
    FormHarness h;
    TFormMain& f = *h;
    QList<QWidget*> expected{f.PlayScrollBar, f.PlayButton, f.ScrollBarWaveTimes,
                             f.ScrollBarFftTimes, f.Mixer};
    for (RadioGroup* g : {f.Choicedatanum, f.ScaleGraph, f.ScaleFft})
      for (int i = 0; i < g->Count(); ++i) expected << g->Button(i);
    expected << f.fftmix << f.RepButton << f.UpDownfftscale;
    // The chain from the first control visits the others in this order.
    QWidget* w = expected.front();
    int found = 1;
    for (int steps = 0; steps < 200 && found < expected.size(); ++steps) {
      w = w->nextInFocusChain();
      if (w == expected[found]) ++found;
    }
    QCOMPARE(found, int(expected.size()));
  }

  void FormCreate_setsTheStartState() {
    FormHarness h;
    TFormMain& f = *h;
    QCOMPARE(f.View().FftSize, 512u);
    QCOMPARE(f.NewSound.RecBits, 8u);
    QCOMPARE(f.NewSound.RecSampleRate, 8000u);
    QCOMPARE(f.View().FftSpan, 4000.0);
    QCOMPARE(f.View().FilterX, 2);
    QCOMPARE(f.View().FilterFreq, 20u);
    QCOMPARE(f.LbFilter->text(), QString("20"));
    QCOMPARE(f.ScrollBarWaveTimes->Position(), 9);
    QCOMPARE(f.ScrollBarFftTimes->Position(), 200);
    QCOMPARE(f.View().WaveTimes, 1);
    QCOMPARE(f.View().FftTimes, 1);
    QCOMPARE(f.View().WaveGridStep, 10);
    QCOMPARE(f.View().FftGridStep, 100);
    QCOMPARE(f.NewSound.SlowRecSeconds, 0.2);
    QCOMPARE(f.NewSound.MixSeconds, 0.5);
    QCOMPARE(f.NewSound.RecLimitSeconds, 300);
    QVERIFY(std::abs(f.View().FftLevel - 25.6 / 255) < 1e-15);
    const WAVEFORMATEX& w = f.Sound.Format();
    QCOMPARE(w.wFormatTag, 1);
    QCOMPARE(w.nChannels, 1);
    QCOMPARE(w.nSamplesPerSec, 8000u);
    QCOMPARE(w.nAvgBytesPerSec, 8000u);
    QCOMPARE(w.nBlockAlign, 1);
    QCOMPARE(w.wBitsPerSample, 8);
    QCOMPARE(w.cbSize, 0);
    QVERIFY(!f.Sound.HasSound());
    QVERIFY(!f.Player().OutDeviceOpen() && !f.Player().Playing() && !f.Rec().Recording() &&
            !f.Rec().InDeviceOpen() && !f.Mixing().MixerOpen());
    const FftArrays a = f.Analysis().Arrays();
    QVERIFY(a.magnitude && a.input && a.work && a.spectrum);
    QVERIFY(h.prompts.Boxes().empty());
    QCOMPARE(h.devices.Calls(SimCall::OpenOut), 0);
  }

  void AllocFftBuffers_outOfMemory_saysSoAndLeavesAllNull() {
    Heap::FailAfter(2);  // at start-up, the third of four allocations fails
    FormHarness h;
    TFormMain& f = *h;
    const FftArrays a = f.Analysis().Arrays();
    QVERIFY(!a.magnitude && !a.input && !a.work && !a.spectrum);
    QCOMPARE(h.prompts.Texts(), QStringList{"No memory"});
    QCOMPARE(h.prompts.Captions(), QStringList{"ERROR"});
    QVERIFY(f.AllocFftBuffers());
  }

  void FormatBox_showsTheStartFormat() {
    FormHarness h;
    TFormMain& f = *h;
    QCOMPARE(f.FormatBoxLines(), (QStringList{"Bit=8", "Sampling=8000", "Size=0", "Time=0.00s"}));
    f.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f));
    // The first line's text reaches into the box; the area under the fourth line is blank.
    const QImage& img = f.wavedatafmt->Image();
    const QRgb face = img.pixel(97, 76);
    int inked = 0;
    for (int y = 0; y < 57; ++y)
      for (int x = 0; x < 98; ++x) inked += img.pixel(x, y) != face;
    QVERIFY(inked > 150);
    for (int x = 0; x < 98; ++x) QCOMPARE(img.pixel(x, 70), face);
  }

  void FormatBox_timeHasTwoDecimals_andNoDivisionByZero() {
    FormHarness h;
    TFormMain& f = *h;
    WAVEFORMATEX fmt{1, 2, 44100, 176400, 4, 16, 0};
    f.Sound.SetFormat(fmt);
    KeepSizeOnly(f, 176400);
    QCOMPARE(f.FormatBoxLines(),
             (QStringList{"Bit=16", "Sampling=44100", "Size=176400", "Time=1.00s"}));
    fmt.nAvgBytesPerSec = 44100;
    f.Sound.SetFormat(fmt);
    KeepSizeOnly(f, 441);
    QCOMPARE(f.FormatBoxLines().last(), QString("Time=0.01s"));
    KeepSizeOnly(f, -1);  // shown as unsigned
    QCOMPARE(f.FormatBoxLines()[2], QString("Size=4294967295"));
    fmt.nAvgBytesPerSec = 8000;
    f.Sound.SetFormat(fmt);
    KeepSizeOnly(f, 9872000);  // no digit grouping in the time
    QCOMPARE(f.FormatBoxLines().last(), QString("Time=1234.00s"));
    fmt.nAvgBytesPerSec = 0;
    f.Sound.SetFormat(fmt);
    QCOMPARE(f.FormatBoxLines().last(), QString("Time=s"));
  }

  void Readout_fontShowsFourDigitsWhole() {
    FormHarness h;
    const QFontInfo info(h->Label2->font());
    QCOMPARE(info.family(), QString("IPAGothic"));
    QCOMPARE(info.pixelSize(), 96);
    QVERIFY(h->Label2->fontMetrics().horizontalAdvance("1999") <= 193);
    QCOMPARE(QFontInfo(h->font()).family(), QString("IPAPGothic"));
  }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
