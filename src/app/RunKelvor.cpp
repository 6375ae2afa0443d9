// The program's start: what runs without a window, the display check, the application
// object and the main window with the file, the mixer and the screenshot the command line
// asks for.

#include "app/RunKelvor.h"

#include <QBuffer>
#include <QFile>
#include <QIcon>
#include <QPixmap>
#include <QTimer>
#include <QWindow>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iostream>
#include <optional>
#include <system_error>

#include "app/main.h"
#include "app/mix.h"
#include "audio/SimulatedDevices.h"
#include "audio/portaudio/SystemAudioDevices.h"
#include "dialogs/about.h"
#include "model/AnalyseCommand.h"
#include "model/CommandLine.h"
#include "ui/HeldStartMessages.h"
#include "ui/KelvorApplication.h"
#include "ui/PrintedPrompts.h"
#include "ui/QtPrompts.h"
#include "ui/RuntimeDirectory.h"

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
    case CommandLine::Mode::Help: std::cout << CommandLine::Usage() << std::flush; return 0;
    case CommandLine::Mode::Analyse:
      return AnalyseCommand::Run(cmd.file, cmd.fftSize, std::cout, std::cerr);
    case CommandLine::Mode::Error: std::cerr << "kelvor: " << cmd.error << std::endl; return 1;
    case CommandLine::Mode::Window: break;
  }
  return std::nullopt;
}

// Runs `then` once, just after `widget`'s window has first been exposed (and painted), or
// after two seconds if it has not been by then (a window that starts hidden).
void AfterFirstExpose(QWidget& widget, std::function<void()> then) {
  class Watch final : public QObject {
  public:
    Watch(QObject* parent, std::function<void()> then) : QObject(parent), then_(std::move(then)) {
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

// Writes `image` as a PNG to `path`, a file name in the file system's bytes. False after
// a line on stderr.
bool SavePng(const QImage& image, const std::string& path) {
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  if (image.isNull() || !image.save(&buffer, "PNG")) {
    std::fprintf(stderr, "kelvor: the window could not be drawn for %s\n", path.c_str());
    return false;
  }
  // On a stream that failed to open, write and close make no call: errno stays the open's.
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(png.constData(), png.size());
  out.close();
  if (!out) {
    const int e = errno;
    std::fprintf(stderr, "kelvor: cannot write %s: %s\n", path.c_str(),
                 std::generic_category().message(e).c_str());
    return false;
  }
  return true;
}

// --screenshot: once the window to shoot (the mixer's with --mixer) is on the screen and
// its first paints are done (at least 200 ms after the start, at most 5 s), saves it and
// ends the program: exit 1 when that window did not open or the PNG cannot be written.
void ShootWhenShown(KelvorApplication& app, TFormMain& form, const CommandLine& cmd) {
  auto* poll = new QTimer(&form);
  poll->setInterval(50);
  QObject::connect(poll, &QTimer::timeout, &form, [&app, &form, poll, cmd, waited = 0]() mutable {
    waited += poll->interval();
    QWidget* shown = cmd.mixer ? static_cast<QWidget*>(form.mixplay()) : &form;
    const QWindow* w = shown ? shown->windowHandle() : nullptr;
    // The file and the mixer were opened before the first tick.
    if (waited < 200 || (shown && waited < 5000 && !(w && w->isExposed()))) return;
    poll->stop();
    if (!shown) {
      std::fprintf(stderr, "kelvor: the mixer window did not open; no %s\n",
                   cmd.screenshot.c_str());
      app.exit(1);
      return;
    }
    app.exit(SavePng(shown->grab().toImage(), cmd.screenshot) ? 0 : 1);
  });
  poll->start();
}

// The main window with `cmd.file` opened at start as File > Open opens it and, with
// `cmd.mixer`, the tone mixer opened after it. A screenshot run shows every box on stderr
// instead of waiting for a click, and plays through a silent device, so it needs no
// sound server and makes no sound.
int RunWindow(KelvorApplication& app, const CommandLine& cmd) {
  const bool unattended = !cmd.screenshot.empty();
  QtPrompts asked;
  PrintedPrompts printed;
  Prompts& prompts = unattended ? static_cast<Prompts&>(printed) : asked;
  app.SetPrompts(&prompts);
  std::unique_ptr<AudioDevices> devices;
  DefaultAudioDevices* system = nullptr;  // scanned once the window is up
  if (unattended) {
    devices = std::make_unique<SimulatedDevices>(
        SimClockMode::Real, "Simulated sound device (a screenshot run plays nothing)");
  } else {
    auto made = MakeSystemAudioDevices();
    system = made.get();
    devices = std::move(made);
  }
  TFormMain form(*devices, prompts);
  // The window comes first; then the sound devices are looked for (off the GUI thread) and
  // the file is opened, which needs them.
  AfterFirstExpose(form, [&app, &form, system, &cmd, unattended] {
    if (system) system->StartProbe();
    if (!cmd.file.empty()) form.OpenFileNamed(QByteArray::fromStdString(cmd.file));
    if (cmd.mixer) {
      if (cmd.file.empty())
        form.MixerClick();
      else
        form.fftmixClick();
    }
    if (unattended) ShootWhenShown(app, form, cmd);
  });
  form.show();
  const int code = app.exec();
  app.SetPrompts(nullptr);
  return code;
}

}  // namespace

int RunKelvor(int argc, char** argv) {
  CommandLine cmd = CommandLine::Parse(std::vector<std::string>(argv + 1, argv + argc));
  // A refused single-dash argument may be the toolkit's own: it is looked at again once
  // the application object has taken those out.
  if (!(cmd.mode == CommandLine::Mode::Error && cmd.toolkitOption))
    if (const auto code = RunWithoutWindow(cmd)) return *code;
  if (!DisplayExpected(std::vector<std::string>(argv + 1, argv + argc))) {
    std::fprintf(stderr,
                 "kelvor: no display to show the window on (DISPLAY is not set); run it "
                 "in a desktop session or under xvfb-run\n");
    return 1;
  }
  EnsureRuntimeDirectory();
  std::optional<HeldStartMessages> held(std::in_place);
  KelvorApplication app(argc, argv);
  held.reset();
  app.setApplicationVersion(QStringLiteral(KELVOR_VERSION));
  app.setWindowIcon(QIcon(QPixmap::fromImage(TAboutBox::MakeIcon())));
  if (cmd.mode == CommandLine::Mode::Error) {
    // The application object has removed its own options from argv; what is left keeps
    // its bytes (a file name need not be UTF-8, which arguments() would not keep).
    cmd = CommandLine::Parse(std::vector<std::string>(argv + 1, argv + argc));
    if (const auto code = RunWithoutWindow(cmd)) return *code;
  }
  return RunWindow(app, cmd);
}
