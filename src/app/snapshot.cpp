// Developer tool: shows Kelvor's main window, optionally with a WAVE file opened (and
// playing for a while), and saves the window as a PNG.
//   kelvor_snapshot OUT.png [FILE.wav [PLAY_MS]]
// Or the tone mixer window, opened by the Mixer button, or by fftmix on FILE.wav:
//   kelvor_snapshot --mixer OUT.png [FILE.wav]
// Boxes the window would show are printed on stderr instead of waiting for a click.

#include <QTimer>
#include <cstdio>

#include "KelvorApplication.h"
#include "Prompts.h"
#include "audio/SimulatedDevices.h"
#include "main.h"
#include "mix.h"

namespace {
class PrintedPrompts : public Prompts {
public:
  QString file;
  bool Message(QWidget*, const QString& text, const QString& caption, Buttons) override {
    std::fprintf(stderr, "[%s] %s\n", caption.toUtf8().constData(), text.toUtf8().constData());
    return true;
  }
  std::optional<QString> OpenFileName(QWidget*, const QString&) override {
    if (file.isEmpty()) return std::nullopt;
    return file;
  }
  std::optional<QString> SaveFileName(QWidget*, const QString&) override { return std::nullopt; }
};

void Settle(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

int SnapshotMixer(TFormMain& form, PrintedPrompts& prompts, const QString& out,
                  const QString& file) {
  if (file.isEmpty()) {
    form.MixerClick();
  } else {
    prompts.file = file;
    form.OpenClick();
    Settle(100);
    form.fftmixClick();
  }
  Settle(300);
  if (!form.mixplay()) {
    std::fprintf(stderr, "the mixer did not open\n");
    return 1;
  }
  if (!form.mixplay()->grab().save(out, "PNG")) {
    std::fprintf(stderr, "could not write %s\n", qPrintable(out));
    return 1;
  }
  std::printf("%s\n", qPrintable(out));
  return 0;
}
}  // namespace

int main(int argc, char** argv) {
  const bool mixer = argc >= 2 && QByteArray(argv[1]) == "--mixer";
  if (argc < 2 || (mixer && argc < 3)) {
    std::fprintf(stderr,
                 "usage: %s OUT.png [FILE.wav [PLAY_MS]]\n"
                 "       %s --mixer OUT.png [FILE.wav]\n",
                 argv[0], argv[0]);
    return 2;
  }
  KelvorApplication app(argc, argv);
  PrintedPrompts prompts;
  app.SetPrompts(&prompts);
  SimulatedDevices devices(SimClockMode::Real);
  TFormMain form(devices, prompts);
  form.show();
  Settle(300);
  if (mixer)
    return SnapshotMixer(form, prompts, QString::fromLocal8Bit(argv[2]),
                         argc >= 4 ? QString::fromLocal8Bit(argv[3]) : QString());
  if (argc >= 3) {
    prompts.file = QString::fromLocal8Bit(argv[2]);
    form.OpenClick();
    Settle(100);
    if (argc >= 4) {
      form.PlayButtonClick();
      Settle(QString::fromLocal8Bit(argv[3]).toInt());
    }
  }
  const QString out = QString::fromLocal8Bit(argv[1]);
  if (!form.grab().save(out, "PNG")) {
    std::fprintf(stderr, "could not write %s\n", argv[1]);
    return 1;
  }
  std::printf("%s\n", argv[1]);
  return 0;
}
