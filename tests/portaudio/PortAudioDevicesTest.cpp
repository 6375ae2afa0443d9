// Plays and records through the real PortAudio path: ALSA's default PCM, routed to a
// PulseAudio server with a silent sink (scripts/start-pulse.sh starts one). The tests that
// need the server skip when none can be reached, or fail when KELVOR_REQUIRE_REAL_AUDIO=1
// says they must run. Format refusals and the quiet start need no server.

#include <QtTest>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <thread>
#include <vector>

#include "audio/portaudio/PortAudioDevices.h"
#include "audio/portaudio/PortAudioOutDevice.h"

namespace {
using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// Counts notices with atomics, as a device's sink must (they come from the audio thread).
class TestSink final : public DeviceNoticeSink {
 public:
  void PostOutputDone() noexcept override {
    if (outputs.fetch_add(1) == 0) firstOutput.store(Clock::now().time_since_epoch().count());
  }
  void PostInputData(WAVEHDR* hdr) noexcept override {
    const int n = inputs.load(std::memory_order_relaxed);
    if (n < int(returned.size())) returned[n].store(hdr);
    inputs.store(n + 1, std::memory_order_release);
  }
  Clock::time_point FirstOutput() const {
    return Clock::time_point(Clock::duration(firstOutput.load()));
  }

  std::atomic<int> outputs{0};
  std::atomic<Clock::rep> firstOutput{0};
  std::atomic<int> inputs{0};
  std::array<std::atomic<WAVEHDR*>, 256> returned{};
};

WAVEFORMATEX Format(std::uint32_t rate, std::uint16_t bits, std::uint16_t channels) {
  WAVEFORMATEX f;
  f.wFormatTag = WAVE_FORMAT_PCM;
  f.nChannels = channels;
  f.nSamplesPerSec = rate;
  f.wBitsPerSample = bits;
  f.nBlockAlign = std::uint16_t(channels * bits / 8);
  f.nAvgBytesPerSec = rate * f.nBlockAlign;
  return f;
}

// A quiet 440 Hz tone (amplitude `level` of full scale) in the format's bytes.
std::vector<std::uint8_t> Tone(const WAVEFORMATEX& f, double seconds, double level = 0.03) {
  const auto frames = std::size_t(f.nSamplesPerSec * seconds);
  std::vector<std::uint8_t> bytes(frames * f.nBlockAlign);
  for (std::size_t i = 0; i < frames; ++i) {
    const double v = level * std::sin(2 * M_PI * 440.0 * double(i) / f.nSamplesPerSec);
    for (int c = 0; c < f.nChannels; ++c) {
      std::uint8_t* at = &bytes[i * f.nBlockAlign + c * (f.wBitsPerSample / 8)];
      if (f.wBitsPerSample == 8) {
        at[0] = std::uint8_t(128 + std::lrint(v * 127));
      } else {
        const auto s = std::uint16_t(std::int16_t(std::lrint(v * 32767)));
        at[0] = std::uint8_t(s & 0xff);
        at[1] = std::uint8_t(s >> 8);
      }
    }
  }
  return bytes;
}

std::uint32_t Position(WaveOutDevice& dev) {
  MMTIME t;
  const DeviceResult r = dev.GetPosition(t);
  if (!r.ok()) qWarning("GetPosition: %s", r.text.c_str());
  return t.cb;
}

template <class Predicate>
bool WaitFor(Predicate done, double seconds) {
  const auto end = Clock::now() + std::chrono::duration<double>(seconds);
  while (!done()) {
    if (Clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

// Whether the PulseAudio server the environment names accepts a connection on its socket.
QString PulseServerProblem() {
  QString path;
  const QString server = qEnvironmentVariable("PULSE_SERVER");
  if (server.startsWith(QLatin1String("unix:")))
    path = server.mid(5);
  else if (server.startsWith(QLatin1Char('/')))
    path = server;
  else if (!server.isEmpty())
    return {};  // a TCP server: let PortAudio find out
  else if (qEnvironmentVariableIsSet("PULSE_RUNTIME_PATH"))
    path = qEnvironmentVariable("PULSE_RUNTIME_PATH") + QLatin1String("/native");
  else if (qEnvironmentVariableIsSet("XDG_RUNTIME_DIR"))
    path = qEnvironmentVariable("XDG_RUNTIME_DIR") + QLatin1String("/pulse/native");
  else
    return QStringLiteral("no PulseAudio server is named (PULSE_SERVER unset)");
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  const QByteArray bytes = path.toLocal8Bit();
  if (bytes.size() >= int(sizeof addr.sun_path)) return QStringLiteral("socket path too long");
  std::memcpy(addr.sun_path, bytes.constData(), bytes.size());
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  const bool ok = fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
  if (fd >= 0) ::close(fd);
  return ok ? QString() : QStringLiteral("no PulseAudio server answers at ") + path;
}
}  // namespace

// Skips (or, where real audio is required, fails) when no server or no device is there.
#define REQUIRE_REAL_AUDIO()                                                          \
  do {                                                                                \
    if (!noAudio_.isEmpty()) {                                                        \
      if (requireReal_) QFAIL(qPrintable(noAudio_ + QLatin1String(                    \
                              " (KELVOR_REQUIRE_REAL_AUDIO=1 requires a real device)"))); \
      QSKIP(qPrintable(noAudio_ + QLatin1String(                                      \
          "; start one with: eval \"$(bash scripts/start-pulse.sh)\"")));             \
    }                                                                                 \
  } while (0)

class PortAudioDevicesTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void Construct_LeavesStderrQuiet();
  void OpenOut_ImpossibleFormat_RefusedWithText_data();
  void OpenOut_ImpossibleFormat_RefusedWithText();
  void OpenOut_RateTheDeviceRefuses_RefusedWithText();
  void Write_PositionFollowsClock_OneNoticeAfterBlock();
  void Write_8BitStereo_PlaysToEnd();
  void Reset_MidBlock_ReturnsBlockAtOnceWithOneNotice();
  void Pause_MidBlock_HoldsPositionUntilReset();
  void Write_Misuse_RefusedWithText();
  void AddBuffer_Capture_FilledInOrderAndHearsPlayback();

 private:
  std::unique_ptr<PortAudioOutDevice> OpenPlayback(const WAVEFORMATEX& f, TestSink& sink);

  std::unique_ptr<PortAudioDevices> devices_;
  QByteArray startupStderr_;
  QString noAudio_;  // why the real-device tests cannot run; empty when they can
  bool requireReal_ = false;
};

// Hands `sound` to `dev` as one prepared, written block.
static bool PlayBlock(WaveOutDevice& dev, WAVEHDR& hdr, std::vector<std::uint8_t>& sound) {
  hdr.lpData = sound.data();
  hdr.dwBufferLength = std::uint32_t(sound.size());
  return dev.Prepare(hdr).ok() && dev.Write(hdr).ok();
}

void PortAudioDevicesTest::initTestCase() {
  requireReal_ = qEnvironmentVariable("KELVOR_REQUIRE_REAL_AUDIO") == QLatin1String("1");
  // The first initialisation in the process is the one that probes (and would print).
  std::fflush(stderr);
  char path[] = "/tmp/kelvor-stderr-XXXXXX";
  const int capture = ::mkstemp(path);
  QVERIFY(capture >= 0);
  const int saved = ::dup(2);
  ::dup2(capture, 2);
  devices_ = std::make_unique<PortAudioDevices>();
  std::fflush(stderr);
  ::dup2(saved, 2);
  ::close(saved);
  QFile file(QString::fromLocal8Bit(path));
  QVERIFY(file.open(QIODevice::ReadOnly));
  startupStderr_ = file.readAll();
  ::close(capture);
  ::unlink(path);

  noAudio_ = PulseServerProblem();
  if (noAudio_.isEmpty() && !devices_->HasOutput())
    noAudio_ = QStringLiteral("PortAudio finds no default output device although PulseAudio "
                              "runs (ALSA's default PCM does not reach it)");
  qInfo("devices: %s", devices_->Description().c_str());
}

void PortAudioDevicesTest::Construct_LeavesStderrQuiet() {
  QVERIFY2(devices_->InitError().empty(), devices_->InitError().c_str());
  QVERIFY2(startupStderr_.isEmpty(), startupStderr_.constData());
}

void PortAudioDevicesTest::OpenOut_ImpossibleFormat_RefusedWithText_data() {
  QTest::addColumn<int>("tag");
  QTest::addColumn<int>("bits");
  QTest::addColumn<int>("channels");
  QTest::addColumn<int>("rate");
  QTest::addColumn<int>("align");  // 0: consistent
  QTest::addColumn<QString>("text");
  const QString format = QStringLiteral("Sample format not supported");
  QTest::newRow("24 bits") << 1 << 24 << 1 << 44100 << 0 << format;
  QTest::newRow("float tag") << 3 << 16 << 1 << 44100 << 0 << format;
  QTest::newRow("3 channels") << 1 << 16 << 3 << 44100 << 0
                              << QStringLiteral("Invalid number of channels");
  QTest::newRow("0 channels") << 1 << 8 << 0 << 8000 << 0
                              << QStringLiteral("Invalid number of channels");
  QTest::newRow("0 Hz") << 1 << 16 << 1 << 0 << 0 << QStringLiteral("Invalid sample rate");
  QTest::newRow("block align") << 1 << 16 << 2 << 44100 << 2 << format;
}

void PortAudioDevicesTest::OpenOut_ImpossibleFormat_RefusedWithText() {
  QFETCH(int, tag);
  QFETCH(int, bits);
  QFETCH(int, channels);
  QFETCH(int, rate);
  QFETCH(int, align);
  QFETCH(QString, text);
  WAVEFORMATEX f = Format(rate, bits, channels);
  f.wFormatTag = std::uint16_t(tag);
  if (align) f.nBlockAlign = std::uint16_t(align);
  TestSink sink;
  std::unique_ptr<WaveOutDevice> out;
  const DeviceResult r = devices_->OpenOut(f, sink, out);
  QVERIFY(!r.ok());
  QVERIFY2(QString::fromStdString(r.text).startsWith(text), r.text.c_str());
  QVERIFY(!out);
  std::unique_ptr<WaveInDevice> in;
  QVERIFY(!devices_->OpenIn(f, sink, in).ok());
  QVERIFY(!in);
}

void PortAudioDevicesTest::OpenOut_RateTheDeviceRefuses_RefusedWithText() {
  REQUIRE_REAL_AUDIO();
  TestSink sink;
  std::unique_ptr<WaveOutDevice> out;
  const DeviceResult r = devices_->OpenOut(Format(4000000, 16, 1), sink, out);
  QVERIFY(!r.ok());
  QVERIFY(!r.text.empty());
  qInfo("4 MHz refused: %s", r.text.c_str());
  QVERIFY(!out);
}

std::unique_ptr<PortAudioOutDevice> PortAudioDevicesTest::OpenPlayback(const WAVEFORMATEX& f,
                                                                      TestSink& sink) {
  std::unique_ptr<WaveOutDevice> out;
  const DeviceResult r = devices_->OpenOut(f, sink, out);
  if (!r.ok()) qWarning("OpenOut: %s", r.text.c_str());
  return std::unique_ptr<PortAudioOutDevice>(static_cast<PortAudioOutDevice*>(out.release()));
}

void PortAudioDevicesTest::Write_PositionFollowsClock_OneNoticeAfterBlock() {
  REQUIRE_REAL_AUDIO();
  const WAVEFORMATEX f = Format(44100, 16, 1);
  std::vector<std::uint8_t> sound = Tone(f, 0.6);
  const auto size = std::uint32_t(sound.size());
  const double duration = double(size) / f.nAvgBytesPerSec;
  TestSink sink;
  auto dev = OpenPlayback(f, sink);
  QVERIFY(dev);
  const double latency = dev->OutputLatency();
  WAVEHDR hdr;
  hdr.lpData = sound.data();
  hdr.dwBufferLength = size;
  QVERIFY(dev->Prepare(hdr).ok());
  QCOMPARE(Position(*dev), 0u);

  const Clock::time_point start = Clock::now();
  QVERIFY(dev->Write(hdr).ok());
  std::uint32_t last = 0;
  int steps = 0;
  double maxAhead = -1e9, maxBehind = 0;  // seconds of position against the wall clock
  while (sink.outputs.load() == 0 && Seconds(Clock::now() - start) < duration + 3) {
    const std::uint32_t pos = Position(*dev);
    const double elapsed = Seconds(Clock::now() - start);
    QCOMPARE(pos % f.nBlockAlign, 0u);
    QVERIFY(pos <= size);
    QVERIFY2(pos >= last, qPrintable(QStringLiteral("%1 after %2").arg(pos).arg(last)));
    if (pos > last) ++steps;
    last = pos;
    const double heard = double(pos) / f.nAvgBytesPerSec;
    maxAhead = std::max(maxAhead, heard - elapsed);
    if (pos < size) maxBehind = std::max(maxBehind, elapsed - heard);
    // Never ahead of the clock (15 ms for the clocks' grain and the sink's steps: what is
    // merely buffered would be ahead by up to the latency); never behind it by more than
    // the output latency and what a loaded machine's underruns may cost.
    QVERIFY2(heard <= elapsed + 0.015, qPrintable(QStringLiteral("%1 s heard after %2 s")
                                                      .arg(heard).arg(elapsed)));
    if (pos < size)
      QVERIFY2(heard >= elapsed - latency - 1.0,
               qPrintable(QStringLiteral("%1 s heard after %2 s").arg(heard).arg(elapsed)));
    std::this_thread::sleep_for(std::chrono::milliseconds(3));
  }
  QCOMPARE(sink.outputs.load(), 1);
  const double noticeAt = Seconds(sink.FirstOutput() - start);
  QVERIFY2(noticeAt >= duration - 0.001, qPrintable(QString::number(noticeAt)));
  QVERIFY(steps >= 20);  // it moved with the clock, not in a few jumps
  QCOMPARE(Position(*dev), size);
  QVERIFY(hdr.dwFlags & WHDR_DONE);
  QVERIFY(!(hdr.dwFlags & WHDR_INQUEUE));
  qInfo("output latency %.1f ms; position behind the clock by up to %.1f ms, ahead by %.1f ms; "
        "notice %.1f ms after the block's duration",
        latency * 1e3, maxBehind * 1e3, maxAhead * 1e3, (noticeAt - duration) * 1e3);

  std::this_thread::sleep_for(std::chrono::milliseconds(150));
  QCOMPARE(sink.outputs.load(), 1);
  QVERIFY(dev->Reset().ok());  // the block has already come back: no second notice
  QCOMPARE(sink.outputs.load(), 1);
  QCOMPARE(Position(*dev), 0u);
  QVERIFY(dev->Unprepare(hdr).ok());
  QVERIFY(dev->Close().ok());
}

void PortAudioDevicesTest::Write_8BitStereo_PlaysToEnd() {
  REQUIRE_REAL_AUDIO();
  const WAVEFORMATEX f = Format(22050, 8, 2);
  std::vector<std::uint8_t> sound = Tone(f, 0.3);
  sound.push_back(128);  // half a frame at the end: not played, not counted
  TestSink sink;
  auto dev = OpenPlayback(f, sink);
  QVERIFY(dev);
  WAVEHDR hdr;
  hdr.lpData = sound.data();
  hdr.dwBufferLength = std::uint32_t(sound.size());
  QVERIFY(dev->Prepare(hdr).ok());
  const Clock::time_point start = Clock::now();
  QVERIFY(dev->Write(hdr).ok());
  QVERIFY(WaitFor([&] { return sink.outputs.load() > 0; }, 3.3));
  QVERIFY(Seconds(sink.FirstOutput() - start) >= 0.3 - 0.001);
  QCOMPARE(Position(*dev), std::uint32_t(sound.size() - 1));
  QVERIFY(dev->Reset().ok());
  QCOMPARE(sink.outputs.load(), 1);
}

void PortAudioDevicesTest::Reset_MidBlock_ReturnsBlockAtOnceWithOneNotice() {
  REQUIRE_REAL_AUDIO();
  const WAVEFORMATEX f = Format(44100, 16, 1);
  std::vector<std::uint8_t> sound = Tone(f, 3.0);
  TestSink sink;
  auto dev = OpenPlayback(f, sink);
  QVERIFY(dev);
  WAVEHDR hdr;
  QVERIFY(PlayBlock(*dev, hdr, sound));
  QVERIFY(WaitFor([&] { return Position(*dev) > f.nAvgBytesPerSec / 5; }, 5.0));

  const Clock::time_point before = Clock::now();
  QVERIFY(dev->Reset().ok());
  const double took = Seconds(Clock::now() - before);
  QVERIFY2(took < 0.5, qPrintable(QString::number(took)));  // not the 2.8 s left to play
  QCOMPARE(sink.outputs.load(), 1);
  QVERIFY(hdr.dwFlags & WHDR_DONE);
  QVERIFY(!(hdr.dwFlags & WHDR_INQUEUE));
  QCOMPARE(Position(*dev), 0u);
  qInfo("Reset took %.2f ms", took * 1e3);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  QCOMPARE(sink.outputs.load(), 1);
  QVERIFY(dev->Unprepare(hdr).ok());
  QVERIFY(dev->Close().ok());
}

void PortAudioDevicesTest::Pause_MidBlock_HoldsPositionUntilReset() {
  REQUIRE_REAL_AUDIO();
  const WAVEFORMATEX f = Format(44100, 16, 1);
  std::vector<std::uint8_t> sound = Tone(f, 2.0);
  TestSink sink;
  auto dev = OpenPlayback(f, sink);
  QVERIFY(dev);
  WAVEHDR hdr;
  QVERIFY(PlayBlock(*dev, hdr, sound));
  QVERIFY(WaitFor([&] { return Position(*dev) > f.nAvgBytesPerSec / 5; }, 5.0));
  QVERIFY(dev->Pause().ok());
  const std::uint32_t held = Position(*dev);
  QVERIFY(held > 0 && held < sound.size());
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  QCOMPARE(Position(*dev), held);
  QCOMPARE(sink.outputs.load(), 0);  // a pause keeps the block
  QVERIFY(!dev->Unprepare(hdr).ok());
  QVERIFY(dev->Reset().ok());
  QCOMPARE(sink.outputs.load(), 1);
  QCOMPARE(Position(*dev), 0u);
}

void PortAudioDevicesTest::Write_Misuse_RefusedWithText() {
  REQUIRE_REAL_AUDIO();
  const WAVEFORMATEX f = Format(44100, 16, 1);
  std::vector<std::uint8_t> sound = Tone(f, 1.0);
  TestSink sink;
  auto dev = OpenPlayback(f, sink);
  QVERIFY(dev);
  WAVEHDR hdr, other;
  hdr.lpData = sound.data();
  hdr.dwBufferLength = std::uint32_t(sound.size());
  other = hdr;
  QVERIFY(!dev->Write(hdr).ok());  // not prepared
  QVERIFY(dev->Prepare(hdr).ok());
  QVERIFY(dev->Prepare(other).ok());
  QVERIFY(dev->Write(hdr).ok());
  for (const DeviceResult& r : {dev->Write(other), dev->Unprepare(hdr), dev->Close()}) {
    QVERIFY(!r.ok());
    QVERIFY(!r.text.empty());
  }
  QCOMPARE(sink.outputs.load(), 0);
  QVERIFY(dev->Reset().ok());
  QVERIFY(dev->Close().ok());
  MMTIME t;
  QVERIFY(!dev->GetPosition(t).ok());
  QVERIFY(!dev->Write(other).ok());
  QCOMPARE(sink.outputs.load(), 1);
}

// Records the sink's monitor while a tone plays into the sink: buffers come back full, in
// the order they were added, and carry the tone; Reset returns the rest.
void PortAudioDevicesTest::AddBuffer_Capture_FilledInOrderAndHearsPlayback() {
  REQUIRE_REAL_AUDIO();
  QVERIFY2(devices_->HasInput(), "no default input device (the sink's monitor)");
  const WAVEFORMATEX f = Format(44100, 16, 1);
  const std::uint32_t bytes = f.nAvgBytesPerSec / 10;  // 0.1 s per buffer
  TestSink inSink, outSink;
  std::unique_ptr<WaveInDevice> in;
  const DeviceResult opened = devices_->OpenIn(f, inSink, in);
  QVERIFY2(opened.ok(), opened.text.c_str());
  std::array<std::vector<std::uint8_t>, 4> blocks;
  std::array<WAVEHDR, 4> hdrs;
  for (std::size_t i = 0; i < 4; ++i) {
    blocks[i].assign(bytes, 0x55);
    hdrs[i].lpData = blocks[i].data();
    hdrs[i].dwBufferLength = bytes;
    QVERIFY(in->Prepare(hdrs[i]).ok());
    QVERIFY(in->AddBuffer(hdrs[i]).ok());
  }
  QVERIFY(!in->AddBuffer(hdrs[0]).ok());  // already queued
  QVERIFY(in->Start().ok());

  std::vector<std::uint8_t> tone = Tone(f, 1.0, 0.25);
  auto out = OpenPlayback(f, outSink);
  QVERIFY(out);
  WAVEHDR play;
  play.lpData = tone.data();
  play.dwBufferLength = std::uint32_t(tone.size());
  QVERIFY(out->Prepare(play).ok());
  QVERIFY(out->Write(play).ok());

  // Hand each full buffer back, as the recorder does, until 12 have come back.
  int handled = 0, loudest = 0;
  const auto end = Clock::now() + std::chrono::seconds(5);
  while (handled < 12 && Clock::now() < end) {
    if (inSink.inputs.load(std::memory_order_acquire) == handled) {
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
      continue;
    }
    WAVEHDR* h = inSink.returned[handled].load();
    QCOMPARE(h, &hdrs[handled % 4]);
    QCOMPARE(h->dwBytesRecorded, bytes);
    QVERIFY(h->dwFlags & WHDR_DONE);
    for (std::uint32_t i = 0; i + 1 < bytes; i += 2) {
      const auto sample = std::int16_t(h->lpData[i] | h->lpData[i + 1] << 8);
      loudest = std::max(loudest, std::abs(int(sample)));
    }
    QVERIFY(in->AddBuffer(*h).ok());
    ++handled;
  }
  QCOMPARE(handled, 12);
  QVERIFY2(loudest > 4000, qPrintable(QString::number(loudest)));  // the tone peaks at 8191

  QVERIFY(!in->Close().ok());  // buffers still queued
  QVERIFY(in->Reset().ok());
  // Every buffer comes back exactly once, in order: those that filled meanwhile, then the
  // one being filled with what it holds, then the rest with nothing.
  QCOMPARE(inSink.inputs.load(), handled + 4);
  bool partial = false;
  for (int i = handled; i < handled + 4; ++i) {
    WAVEHDR* h = inSink.returned[i].load();
    QCOMPARE(h, &hdrs[i % 4]);
    QCOMPARE(h->dwBytesRecorded % f.nBlockAlign, 0u);
    if (partial) QCOMPARE(h->dwBytesRecorded, 0u);
    partial = partial || h->dwBytesRecorded < bytes;
  }
  QVERIFY(in->Close().ok());
  QVERIFY(out->Reset().ok());
  QVERIFY(out->Close().ok());
}

QTEST_GUILESS_MAIN(PortAudioDevicesTest)
#include "PortAudioDevicesTest.moc"
