// The choice between the machine's devices and the simulated one: start-up does not wait
// for the probe, each direction goes to a real device when there is one, and the user is
// told once (one stderr line, the description) when something is simulated. A simulated
// device on the virtual clock stands in for the "real" one, so no sound system is needed.

#include <QtTest>
#include <unistd.h>

#include <cstdio>
#include <future>
#include <thread>

#include "audio/portaudio/DefaultAudioDevices.h"
#include "audio/SimulatedDevices.h"

namespace {
// Collects what is written to file descriptor 2 while it lives.
class StderrCapture {
 public:
  StderrCapture() {
    std::fflush(stderr);
    fd_ = ::mkstemp(path_);
    saved_ = ::dup(2);
    ::dup2(fd_, 2);
  }
  ~StderrCapture() { Stop(); }
  QByteArray Stop() {
    if (saved_ >= 0) {
      std::fflush(stderr);
      ::dup2(saved_, 2);
      ::close(saved_);
      saved_ = -1;
      QFile file(QString::fromLocal8Bit(path_));
      if (file.open(QIODevice::ReadOnly)) text_ = file.readAll();
      ::close(fd_);
      ::unlink(path_);
    }
    return text_;
  }

 private:
  char path_[32] = "/tmp/kelvor-stderr-XXXXXX";
  int fd_ = -1;
  int saved_ = -1;
  QByteArray text_;
};

struct NullSink final : DeviceNoticeSink {
  void PostOutputDone() noexcept override {}
  void PostInputData(WAVEHDR*) noexcept override {}
};

WAVEFORMATEX Mono8k() {
  WAVEFORMATEX f;
  f.wFormatTag = WAVE_FORMAT_PCM;
  f.nChannels = 1;
  f.nSamplesPerSec = 8000;
  f.wBitsPerSample = 8;
  f.nBlockAlign = 1;
  f.nAvgBytesPerSec = 8000;
  return f;
}

// A probe that reports a stand-in device for the directions asked for.
DefaultAudioDevices::Probe FakeProbe(bool output, bool input, SimulatedDevices** real,
                                     std::string error = {}) {
  return [=] {
    DefaultAudioDevices::Found found;
    found.output = output;
    found.input = input;
    found.system = "TestAudio 1";
    found.outputName = "\u201Cspeaker\u201D";
    found.inputName = "\u201Cmic\u201D";
    found.error = error;
    if (output || input) {
      auto devices = std::make_unique<SimulatedDevices>(SimClockMode::Virtual);
      *real = devices.get();
      found.devices = std::move(devices);
    }
    return found;
  };
}
}  // namespace

class DefaultAudioDevicesTest : public QObject {
  Q_OBJECT

 private slots:
  void Construct_DoesNotWaitForProbe();
  void OpenOut_BothReal_UsesRealDevicesQuietly();
  void OpenIn_NoRealInput_SimulatedAndToldOnce();
  void OpenOut_NoDevice_SimulatedAndToldOnce();
};

void DefaultAudioDevicesTest::Construct_DoesNotWaitForProbe() {
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  std::promise<std::thread::id> ranOn;
  SimulatedDevices* real = nullptr;
  auto probe = FakeProbe(true, true, &real);
  DefaultAudioDevices devices([&] {
    ranOn.set_value(std::this_thread::get_id());
    released.wait();  // a sound system that takes its time
    return probe();
  });
  // Constructed while the probe still waits; it runs on a thread of its own.
  QVERIFY(ranOn.get_future().get() != std::this_thread::get_id());
  release.set_value();
  NullSink sink;
  std::unique_ptr<WaveOutDevice> out;
  QVERIFY(devices.OpenOut(Mono8k(), sink, out).ok());  // waits for the probe, then opens
  QVERIFY(out);
}

void DefaultAudioDevicesTest::OpenOut_BothReal_UsesRealDevicesQuietly() {
  StderrCapture err;
  SimulatedDevices* real = nullptr;
  DefaultAudioDevices devices(FakeProbe(true, true, &real));
  NullSink sink;
  std::unique_ptr<WaveOutDevice> out;
  std::unique_ptr<WaveInDevice> in;
  QVERIFY(devices.OpenOut(Mono8k(), sink, out).ok());
  QVERIFY(devices.OpenIn(Mono8k(), sink, in).ok());
  QCOMPARE(real->Calls(SimCall::OpenOut), 1);
  QCOMPARE(real->Calls(SimCall::OpenIn), 1);
  QCOMPARE(devices.Description(),
           std::string("TestAudio 1: output “speaker”, input “mic”"));
  QCOMPARE(err.Stop(), QByteArray());
}

void DefaultAudioDevicesTest::OpenIn_NoRealInput_SimulatedAndToldOnce() {
  StderrCapture err;
  SimulatedDevices* real = nullptr;
  NullSink sink;
  {
    DefaultAudioDevices devices(FakeProbe(true, false, &real));
    std::unique_ptr<WaveOutDevice> out;
    std::unique_ptr<WaveInDevice> in;
    QVERIFY(devices.OpenOut(Mono8k(), sink, out).ok());
    QVERIFY(devices.OpenIn(Mono8k(), sink, in).ok());  // the simulated one
    QVERIFY(in);
    QVERIFY(devices.OpenIn(Mono8k(), sink, in).ok());
    QCOMPARE(real->Calls(SimCall::OpenOut), 1);
    QCOMPARE(real->Calls(SimCall::OpenIn), 0);
    QVERIFY(devices.RealOutput());
    QVERIFY(!devices.RealInput());
    QCOMPARE(devices.Description(),
             std::string("TestAudio 1: output “speaker”; no input device, recording is "
                         "simulated and silent"));
  }
  QCOMPARE(err.Stop(),
           QByteArray("kelvor: no sound input device found; recording is simulated and silent.\n"));
}

void DefaultAudioDevicesTest::OpenOut_NoDevice_SimulatedAndToldOnce() {
  StderrCapture err;
  SimulatedDevices* real = nullptr;
  NullSink sink;
  {
    DefaultAudioDevices devices(FakeProbe(false, false, &real, "Host error"));
    std::unique_ptr<WaveOutDevice> out;
    const DeviceResult r = devices.OpenOut(Mono8k(), sink, out);
    QVERIFY2(r.ok(), r.text.c_str());
    QVERIFY(out);
    // Playback on the real clock, silently: the block comes back when reset.
    std::vector<std::uint8_t> bytes(800, 128);
    WAVEHDR hdr;
    hdr.lpData = bytes.data();
    hdr.dwBufferLength = 800;
    QVERIFY(out->Prepare(hdr).ok());
    QVERIFY(out->Write(hdr).ok());
    QVERIFY(out->Reset().ok());
    QVERIFY(!real);  // nothing real was made
    QCOMPARE(devices.Description(), std::string("No sound device found (Host error): playback "
                                                "and recording are simulated and silent"));
    QVERIFY(!devices.RealOutput());
  }
  QCOMPARE(err.Stop(), QByteArray("kelvor: no sound device found (Host error); playback and "
                                  "recording are simulated and silent.\n"));
}

QTEST_GUILESS_MAIN(DefaultAudioDevicesTest)
#include "DefaultAudioDevicesTest.moc"
