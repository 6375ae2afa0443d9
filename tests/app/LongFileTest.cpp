// File commands on sounds long enough to show their progress: Cancel at every command
// leaves what a user expects, and a file of more than 2 GiB of sound opens in part and
// says so. The progress box is scripted (ScriptedPrompts cancels at a chosen step).

#include <fcntl.h>
#include <unistd.h>

#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QtTest>

#include "../files/WaveBytes.h"
#include "FormHarness.h"
#include "files/WaveReader.h"
#include "ui/PaintBox.h"

using namespace wavebytes;

namespace {
constexpr std::int64_t k2GiB = std::int64_t{1} << 31;

// 20 MB of 16-bit stereo noise-free ramps: three progress steps at least.
QString PutLong(const QTemporaryDir& dir, const QString& name, std::uint8_t seed) {
  Bytes pcm(20 << 20);
  for (std::size_t i = 0; i < pcm.size(); ++i) pcm[i] = std::uint8_t(i * 13 + seed);
  const Bytes file = Riff(Chunk("fmt ", FmtBody(1, 2, 48000, 16, 4)) + Chunk("data", pcm));
  const QString path = dir.filePath(name);
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly)) qFatal("cannot write %s", qPrintable(path));
  f.write(reinterpret_cast<const char*>(file.data()), qsizetype(file.size()));
  return path;
}

void Open(FormHarness& h, const QString& path) {
  h.prompts.ChooseNext(path);
  h->OpenClick();
}
}  // namespace

class LongFileTest : public QObject {
  Q_OBJECT
private slots:
  void Open_followsProgress_andCancelLeavesNothingHeld() {
    QTemporaryDir dir;
    const QString path = PutLong(dir, "long.wav", 1);
    FormHarness h;
    Open(h, path);
    QCOMPARE(h.prompts.ProgressLabels, QStringList({"Open"}));
    QVERIFY(h.prompts.ProgressSteps >= 3);
    QVERIFY(h->Sound.HasSound() && h->Player().OutDeviceOpen());
    QCOMPARE(h->Sound.Size(), 20 << 20);

    h.prompts.Clear();
    h.prompts.CancelProgressAt = 2;
    Open(h, path);  // asks first: a sound is held
    QCOMPARE(h.prompts.Texts(), QStringList({"Input New data OK?"}));  // no error box
    QVERIFY(!h->Sound.HasSound() && !h->Player().OutDeviceOpen());
    QCOMPARE(h->Label2->text(), QString());
  }

  void AddFile_cancelKeepsTheHeldSoundAsItWas() {
    QTemporaryDir dir;
    const QString held = PutLong(dir, "a.wav", 1);
    const Bytes mono =
        Riff(Chunk("fmt ", FmtBody(1, 1, 8000, 8, 1)) + Chunk("data", Bytes(9 << 20, 7)));
    const QString added = dir.filePath("b.wav");
    {
      QFile f(added);
      QVERIFY(f.open(QIODevice::WriteOnly));
      f.write(reinterpret_cast<const char*>(mono.data()), qsizetype(mono.size()));
    }
    FormHarness h;
    Open(h, held);
    const WAVEFORMATEX format = h->Sound.Format();
    const Bytes before(h->Sound.Data(), h->Sound.Data() + h->Sound.Size());
    h.prompts.Clear();
    h.prompts.CancelProgressAt = 2;
    h.prompts.ChooseNext(added);
    h->AddFile1Click();
    QVERIFY(h.prompts.Boxes().empty());
    QVERIFY(h->Sound.HasSound() && h->Player().OutDeviceOpen());
    QVERIFY(h->Sound.Format() == format);
    QCOMPARE(h->Sound.Size(), std::int32_t(before.size()));
    QVERIFY(Bytes(h->Sound.Data(), h->Sound.Data() + h->Sound.Size()) == before);
    // and a second AddFile that runs to its end appends as ever
    h.prompts.CancelProgressAt = 0;
    h.prompts.ChooseNext(added);
    h->AddFile1Click();
    QCOMPARE(h->Sound.Size(), std::int32_t(before.size() + (9 << 20)));
  }

  void Save_cancelKeepsTheEarlierFileAndLeavesNoOther() {
    QTemporaryDir dir;
    const QString path = PutLong(dir, "long.wav", 1);
    FormHarness h;
    Open(h, path);
    QFile earlier(dir.filePath("out.wav"));
    QVERIFY(earlier.open(QIODevice::WriteOnly));
    earlier.write("earlier");
    earlier.close();
    h.prompts.Clear();
    h.prompts.CancelProgressAt = 2;
    h.prompts.ChooseNext(dir.filePath("out"));
    h->SaveClick();  // OK to the question about out.wav, then Cancel in the progress box
    QCOMPARE(h.prompts.Texts(), QStringList{"\"out.wav\" exists. Overwrite OK?"});
    QFile check(dir.filePath("out.wav"));
    QVERIFY(check.open(QIODevice::ReadOnly));
    QCOMPARE(check.readAll(), QByteArray("earlier"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 2);  // long.wav and out.wav
  }

  // More than 2 GiB of sound (a sparse file: no disk, and the holes cost no memory) opens
  // its whole frames below 2^31 bytes, and the window says so.
  void Open_moreThan2GiB_opensTheFirstPartAndSaysSo() {
    QTemporaryDir dir;
    const QString path = dir.filePath("huge.wav");
    const std::int64_t sound = 3 * (k2GiB / 2);
    const Bytes header =
        Riff(Chunk("fmt ", FmtBody(1, 2, 48000, 16, 4)) + Id("data") + U32(std::uint32_t(sound)),
             std::uint32_t(36 + sound));
    const int fd = ::open(path.toLocal8Bit().constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    QVERIFY(fd >= 0);
    QCOMPARE(::ftruncate(fd, 44 + sound), 0);
    QCOMPARE(::pwrite(fd, header.data(), 44, 0), ssize_t(44));
    ::close(fd);
    FormHarness h;
    Open(h, path);
    QCOMPARE(h.prompts.Texts(), QStringList({WaveReader::kCutNotice}));
    QVERIFY(h->Sound.HasSound() && h->Player().OutDeviceOpen());
    QCOMPARE(std::int64_t(h->Sound.Size()), k2GiB - 4);
    QCOMPARE(h->FormatBoxLines()[2], QString("Size=%1").arg(k2GiB - 4));
  }
};

QTEST_MAIN(LongFileTest)
#include "LongFileTest.moc"
