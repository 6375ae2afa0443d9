// kelvor --analyse against the window: for every view window of a file, the CSV's base
// frequency is what Label2 shows with the cursor at the window's start.

#include <QLabel>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>
#include <sstream>

#include "../files/WaveBytes.h"
#include "FormHarness.h"
#include "model/AnalyseCommand.h"
#include "ui/RadioGroup.h"

using namespace wavebytes;

namespace {
// A tone gliding from `from` to `to` Hz with three overtones, silent in its second eighth
// and with a burst of noise in its sixth, so that the readout changes, empties and jumps.
double Sample(int i, int frames, int rate, double from, double to, unsigned& noise) {
  const int part = i * 8 / frames;
  if (part == 1) return 0;
  if (part == 5) {
    noise = noise * 1103515245u + 12345u;
    return double((noise >> 16) & 0x7FFF) / 0x7FFF - 0.5;
  }
  const double t = double(i) / rate;
  const double f = from + (to - from) * i / frames;
  double v = 0;
  for (int h = 1; h <= 4; ++h) v += std::sin(2 * M_PI * f * h * t) / (h + 1);
  return v / 2;
}

Bytes Sound(int channels, int bits, int rate, int frames) {
  Bytes d;
  unsigned noise = 7;
  for (int i = 0; i < frames; ++i)
    for (int c = 0; c < channels; ++c) {
      // Channel 2 (the readout's) an octave and a bit above channel 1.
      const double v = Sample(i, frames, rate, c ? 330 : 150, c ? 610 : 260, noise);
      if (bits == 8)
        d.push_back(std::uint8_t(128 + std::lrint(100 * v)));
      else
        d = d + U16(std::uint16_t(std::int16_t(std::lrint(20000 * v))));
    }
  return d;
}

struct Row {
  double seconds;
  QString hz;
};

std::vector<Row> Csv(const std::string& text) {
  std::vector<Row> rows;
  const QStringList lines = QString::fromStdString(text).split('\n', Qt::SkipEmptyParts);
  for (qsizetype i = 1; i < lines.size(); ++i) {
    const QStringList f = lines[i].split(',');
    rows.push_back({f[0].toDouble(), f.value(1)});
  }
  return rows;
}
}  // namespace

class ReadoutCsvTest : public QObject {
  Q_OBJECT
  QTemporaryDir dir_;

private slots:
  void Csv_matchesTheReadoutAtEveryWindow_data() {
    QTest::addColumn<int>("channels");
    QTest::addColumn<int>("bits");
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("size");
    QTest::newRow("mono 8-bit, 512") << 1 << 8 << 8000 << 512;
    QTest::newRow("mono 16-bit 11025 Hz, 256") << 1 << 16 << 11025 << 256;
    QTest::newRow("stereo 16-bit, 1024") << 2 << 16 << 16000 << 1024;
    QTest::newRow("stereo 8-bit, 512") << 2 << 8 << 8000 << 512;
  }
  void Csv_matchesTheReadoutAtEveryWindow() {
    QFETCH(int, channels);
    QFETCH(int, bits);
    QFETCH(int, rate);
    QFETCH(int, size);
    const int frames = 16100;  // not a whole number of windows
    const QString path = dir_.filePath(QString("s%1_%2_%3.wav").arg(channels).arg(bits).arg(size));
    WriteAll(path.toStdString(),
             Standard(std::uint16_t(channels), std::uint32_t(rate), std::uint16_t(bits),
                      Sound(channels, bits, rate, frames)));
    std::ostringstream out, err;
    QCOMPARE(AnalyseCommand::Run(path.toStdString(), std::uint32_t(size), out, err), 0);
    const std::vector<Row> rows = Csv(out.str());
    QCOMPARE(int(rows.size()), frames / size);

    FormHarness h;
    h->OpenFile(path);
    QVERIFY(h->Sound.HasSound());
    h->Choicedatanum->SetItemIndex(int(std::log2(size)) - 8);
    QCOMPARE(h->View().FftSize, std::uint32_t(size));
    const int block = channels * bits / 8;
    int empty = 0, distinct = 0;
    QString last;
    for (std::size_t w = 0; w < rows.size(); ++w) {
      int pos = int(w) * size * block;
      h->PlayScrollBarScroll(pos);
      QCOMPARE(h->Player().PlayPos(), pos);
      QCOMPARE(rows[w].seconds, std::round(1000.0 * w * size / rate) / 1000);
      QVERIFY2(h->Label2->text() == rows[w].hz,
               qPrintable(QString("window %1: readout '%2', CSV '%3'")
                              .arg(w)
                              .arg(h->Label2->text(), rows[w].hz)));
      empty += rows[w].hz.isEmpty();
      distinct += rows[w].hz != last;
      last = rows[w].hz;
    }
    // The sound really moves the readout about.
    QVERIFY(empty > 0);
    QVERIFY(distinct > 4);
    QVERIFY(h.prompts.Boxes().empty());
  }
};

QTEST_MAIN(ReadoutCsvTest)
#include "ReadoutCsvTest.moc"
