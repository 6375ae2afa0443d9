// A soak in virtual time on the simulated devices: cycle after cycle of record, stop, play,
// scrub, play to the end, fftmix, a note, a memory store and recall, BASE and the mixer's
// close. After every cycle the heap is back at its level: the program's own blocks exactly,
// the C heap (Qt's caches included) within a margin. Every recording holds exactly the
// bytes fed before its stop. KELVOR_SOAK_MINUTES sets the virtual time (default 60, about
// 800 cycles in some 5 s); the cycles and the heap before and after are printed.

#include <malloc.h>
#include <QtTest>

#include "MixerHarness.h"
#include "base/Heap.h"
#include "ui/RadioGroup.h"
#include "ui/ScrollBar.h"

namespace {
double Ramp(std::uint64_t f) { return (double(f % 64) - 32) / 128.0; }  // 8 bits: 96 + f % 64
constexpr std::size_t kMargin = 256 << 10;  // bytes the C heap may wander above its level
}  // namespace

class SoakTest : public QObject {
  Q_OBJECT
private slots:
  void Cycles_leaveTheHeapAtItsLevel_andKeepEveryByteFed() {
    const double minutes = qEnvironmentVariableIsSet("KELVOR_SOAK_MINUTES")
                               ? qEnvironmentVariable("KELVOR_SOAK_MINUTES").toDouble()
                               : 60;
    FormHarness h;
    h->Timer1->blockSignals(true);
    h.devices.SetInputSignal(Ramp);
    std::int64_t ms = 0;
    auto advance = [&](int span) {  // with the notices handled every 100 ms, as they are
      for (int t = 0; t < span; t += 100) h.Advance(100), ms += 100;
    };
    long blocks = 0;
    std::size_t level = 0, first = 0, highest = 0;
    int cycle = 0;
    for (; ms < minutes * 60000; ++cycle) {
      const int buffers = 1 + cycle % 10;
      // The half buffer the stop returns is not kept.
      h->RepButtonClick(), advance(200 * buffers + 100), h->RepButtonClick(), h.Pump();
      mixtest::Bytes fed(std::size_t(1600 * buffers));
      for (std::size_t i = 0; i < fed.size(); ++i) fed[i] = std::uint8_t(96 + i % 64);
      QVERIFY(mixtest::Shown(*h) == fed);
      h->PlayButtonClick(), advance(100), h->Timer1Timer(), h->PlayButtonClick();
      h->PlayScrollBar->setSliderPosition(cycle * 997 % (h->PlayScrollBar->maximum() + 1));
      h->PlayButtonClick(), advance(2100);  // from the cursor to the end
      QVERIFY(!h->Player().Playing());
      h->fftmixClick();
      Tmixplay* w = h->mixplay();
      QVERIFY(w);
      w->PlayNote(220 + cycle % 440), h.Pump(), advance(600);
      w->RGMemInOut->SetItemIndex(0), w->RGBarMem->SetItemIndex(cycle % 5), w->FFtMemInClick();
      w->RGMemInOut->SetItemIndex(1), w->BtnFftmemClearClick();
      w->RGBarMem->SetItemIndex(cycle % 5), advance(600);  // the recall plays
      h->LBAorFFTDblClick(), w->close(), h.Pump();
      QVERIFY(!h->mixplay());
      QCOMPARE(h.prompts.Texts(), cycle ? QStringList{"Input New data OK?"} : QStringList{});
      h.prompts.Clear();
      const std::size_t heap = mallinfo2().uordblks;
      highest = std::max(highest, heap);
      if (cycle == 0) first = heap;
      if (cycle == 2) blocks = Heap::LiveBlocks(), level = heap;  // caches warmed up
      if (cycle <= 2) continue;
      QCOMPARE(Heap::LiveBlocks(), blocks);
      QVERIFY2(heap <= level + kMargin,
               qPrintable(QString("cycle %1: %2 bytes").arg(cycle).arg(heap)));
    }
    qInfo(
        "%d cycles in %.1f virtual minutes; C heap %zu bytes after the first cycle, %zu after "
        "the third, %zu at the end (highest %zu); %ld blocks of the program's own",
        cycle, ms / 60000.0, first, level, std::size_t(mallinfo2().uordblks), highest, blocks);
  }
};

QTEST_MAIN(SoakTest)
#include "SoakTest.moc"
