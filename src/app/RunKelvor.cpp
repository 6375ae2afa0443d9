// The program's start: what runs without a window, the display check, the application
// object and the main window with the file and the screenshot the command line asks for.

#include "RunKelvor.h"

#include <QFile>
#include <QIcon>
#include <QPixmap>
#include <QTimer>
#include <QWindow>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <optional>

#include "KelvorApplication.h"
#include "PrintedPrompts.h"
#include "QtPrompts.h"
#include "RuntimeDirectory.h"
#include "about.h"
#include "audio/portaudio/SystemAudioDevices.h"
#include "main.h"
#include "model/AnalyseCommand.h"
#include "model/CommandLine.h"

#ifndef KELVOR_VERSION
#define KELVOR_VERSION "0"
#endif

namespace {

// What needs no window: the exit code, or nothing when the window is to run.
std::optional<int> RunWithoutWindow(const CommandLine& cmd) {
  switch (cmd.mode) {
    case CommandLine::Mode::Version:
      std::cout << CommandLine::VersionLine(KELVOR_VERSION) << std::endl;
      return 0;
    case CommandLine::Mode::Help:
      std::cout << CommandLine::Usage() << std::endl;
      return 0;
    case CommandLine::Mode::Analyse:
      return AnalyseCommand::Run(cmd.file, cmd.fftSize, std::cout, std::cerr);
    case CommandLine::Mode::Error:
      std::cerr << "kelvor: " << cmd.error << std::endl;
      return 1;
    case CommandLine::Mode::Window:
      break;
  }
  return std::nullopt;
}

// Runs `then` once, just after `widget`'s window has first been exposed (and painted), or
// after two seconds if it has not been by then (a window that starts hidden).
void AfterFirstExpose(QWidget& widget, std::function<void()> then) {
  class Watch final : public QObject {
   public:
    Watch(QObject* parent, std::function<void()> then)
        : QObject(parent), then_(std::move(then)) {
      QTimer::singleShot(2000, this, [this] { Fire(); });
    }
    bool eventFilter(QObject* watched, QEvent* event) override {
      const auto* window = qobject_cast<QWindow*>(watched);
      if (event->type() == QEvent::Expose && window && window->isExposed()) {
        watched->removeEventFilter(this);
        QTimer::singleShot(0, this, [this] { Fire(); });  // after the paint it brings
      }
      return false;
    }

   private:
    void Fire() {
      if (!then_) return;
      const std::function<void()> then = std::move(then_);
      then_ = nullptr;
      deleteLater();
      then();
    }
    std::function<void()> then_;
  };
  widget.winId();  // makes the window handle to watch
  widget.windowHandle()->installEventFilter(new Watch(&widget, std::move(then)));
}

// Without a display the toolkit would abort; say so plainly instead.
bool DisplayExpected(const std::vector<std::string>& args) {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
    if (const char* v = std::getenv(name); v && *v) return true;
  for (const std::string& a : args)
    if (a == "-platform") return true;
  return false;
}

// The main window, `cmd.file` opened at start as File > Open opens it; with
// `cmd.screenshot`, the window is saved as a PNG once it has been shown, and the program
// ends (exit 1 when the PNG cannot be written).
int RunWindow(KelvorApplication& app, const CommandLine& cmd) {
  const bool unattended = !cmd.screenshot.empty();
  QtPrompts asked;
  PrintedPrompts printed;
  Prompts& prompts = unattended ? static_cast<Prompts&>(printed) : asked;
  app.SetPrompts(&prompts);
  std::unique_ptr<DefaultAudioDevices> devices = MakeSystemAudioDevices();
  TFormMain form(*devices, prompts);
  // The window comes first; then the sound devices are looked for (off the GUI thread)
  // and the file is opened, which needs them.
  const QString path = QFile::decodeName(QByteArray::fromStdString(cmd.file));
  AfterFirstExpose(form, [&form, &devices, path] {
    devices->StartProbe();
    if (!path.isEmpty()) form.OpenFile(path);
  });
  form.show();
  if (unattended) {
    const QString png = QFile::decodeName(QByteArray::fromStdString(cmd.screenshot));
    // Polls until the window is on the screen and its first paints are done (at least
    // 200 ms, at most 5 s), then saves it.
    auto* poll = new QTimer(&form);
    poll->setInterval(50);
    int waited = 0;
    QObject::connect(poll, &QTimer::timeout, &form, [&, poll, png]() mutable {
      waited += poll->interval();
      const QWindow* w = form.windowHandle();
      if (waited < 200 || (waited < 5000 && !(w && w->isExposed()))) return;
      poll->stop();
      if (!form.grab().save(png, "PNG")) {
        std::fprintf(stderr, "kelvor: cannot write %s\n", qPrintable(png));
        app.exit(1);
        return;
      }
      app.exit(0);
    });
    poll->start();
  }
  const int code = app.exec();
  app.SetPrompts(nullptr);
  return code;
}

}  // namespace

int RunKelvor(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  CommandLine cmd = CommandLine::Parse(args);
  // A refused single-dash argument may be the toolkit's own: it is looked at again once
  // the application object has taken those out.
  if (!(cmd.mode == CommandLine::Mode::Error && cmd.toolkitOption))
    if (const auto code = RunWithoutWindow(cmd)) return *code;
  if (!DisplayExpected(args)) {
    std::fprintf(stderr,
                 "kelvor: no display to show the window on (DISPLAY is not set); run it "
                 "in a desktop session or under xvfb-run\n");
    return 1;
  }
  EnsureRuntimeDirectory();
  KelvorApplication app(argc, argv);
  app.setApplicationVersion(QStringLiteral(KELVOR_VERSION));
  app.setWindowIcon(QIcon(QPixmap::fromImage(TAboutBox::MakeIcon())));
  if (cmd.mode == CommandLine::Mode::Error) {
    std::vector<std::string> left;
    const QStringList remaining = QCoreApplication::arguments();
    for (qsizetype i = 1; i < remaining.size(); ++i)
      left.push_back(QFile::encodeName(remaining[i]).toStdString());
    cmd = CommandLine::Parse(left);
    if (const auto code = RunWithoutWindow(cmd)) return *code;
  }
  return RunWindow(app, cmd);
}
