#pragma once
// Helpers for the form tests of the tone mixer: opening it the user's ways, reading the
// held sound, and an output device that checks that no block it holds is changed.

#include <QTemporaryDir>
#include <QTimer>
#include <cmath>
#include <cstring>
#include <vector>

#include "FormHarness.h"
#include "app/mix.h"
#include "files/WaveWriter.h"

namespace mixtest {

using Bytes = std::vector<std::uint8_t>;

// The mixer window, or null.
inline Tmixplay* Window(TFormMain& f) { return f.mixplay(); }

// The Mixer button on a new sound of `bits` bits at `rate` Hz. The real follow timer is
// kept quiet: a test moves the virtual clock itself.
inline Tmixplay* OpenMixer(FormHarness& h, std::uint32_t bits = 8, std::uint32_t rate = 8000) {
  h->NewSound.RecBits = bits;
  h->NewSound.RecSampleRate = rate;
  h->Timer1->blockSignals(true);
  h->MixerClick();
  return Window(*h);
}

inline Bytes Shown(const TFormMain& f) {
  return f.Sound.Data() ? Bytes(f.Sound.Data(), f.Sound.Data() + f.Sound.Size()) : Bytes();
}

inline std::int16_t Sample16(const TFormMain& f, int n) {
  const std::uint8_t* d = f.Sound.Data();
  return std::int16_t(std::uint16_t(d[2 * n] | d[2 * n + 1] << 8));
}

inline bool AllBytes(const Bytes& b, std::uint8_t v) {
  for (std::uint8_t x : b)
    if (x != v) return false;
  return !b.empty();
}

// Writes 8-bit sound as a WAVE file and opens it through File > Open.
inline bool OpenSound(FormHarness& h, const WAVEFORMATEX& fmt, const Bytes& bytes) {
  static QTemporaryDir dir;
  static int serial = 0;
  const QString path = dir.filePath(QString("sound%1.wav").arg(++serial));
  if (WaveWriter::SaveFile(path.toStdString(), fmt, bytes.data(), std::int32_t(bytes.size())) !=
      WaveSaveStatus::Ok)
    return false;
  h->Timer1->blockSignals(true);
  h.prompts.ChooseNext(path);
  h->OpenClick();
  return h->Sound.HasSound() && h->Sound.Size() == std::int32_t(bytes.size());
}

// An output device over a simulated one that keeps a copy of every block written to it and
// notes any block that differs from its copy while the device still holds it (at every
// later call until the block is returned by Reset). Its calls are logged in order.
class WatchedOut : public WaveOutDevice {
public:
  WatchedOut(std::unique_ptr<WaveOutDevice> d, QStringList& log, int& changed)
      : d_(std::move(d)), log_(log), changed_(changed) {}
  DeviceResult Prepare(WAVEHDR& h) override { return Log("prepare", d_->Prepare(h)); }
  DeviceResult Unprepare(WAVEHDR& h) override { return Log("unprepare", d_->Unprepare(h)); }
  DeviceResult Write(WAVEHDR& h) override {
    Check();
    held_ = &h;
    copy_.assign(h.lpData, h.lpData + h.dwBufferLength);
    return Log("write", d_->Write(h));
  }
  DeviceResult GetPosition(MMTIME& t) override {
    Check();
    return d_->GetPosition(t);
  }
  DeviceResult Pause() override { return Log("pause", d_->Pause()); }
  DeviceResult Reset() override {
    Check();
    held_ = nullptr;
    return Log("reset", d_->Reset());
  }
  DeviceResult Close() override { return Log("close", d_->Close()); }
  ~WatchedOut() override { Check(); }

private:
  void Check() {
    if (held_ && std::memcmp(held_->lpData, copy_.data(), copy_.size()) != 0) ++changed_;
  }
  DeviceResult Log(const char* call, DeviceResult r) {
    Check();
    log_ << call;
    return r;
  }
  std::unique_ptr<WaveOutDevice> d_;
  QStringList& log_;
  int& changed_;
  WAVEHDR* held_ = nullptr;  // the block written and not yet returned
  Bytes copy_;
};

class WatchedDevices : public AudioDevices {
public:
  SimTestDevices sim{SimClockMode::Virtual};
  QStringList log;
  int changedWhileHeld = 0;
  DeviceResult OpenOut(const WAVEFORMATEX& fmt, DeviceNoticeSink& sink,
                       std::unique_ptr<WaveOutDevice>& out) override {
    std::unique_ptr<WaveOutDevice> d;
    const DeviceResult r = sim.OpenOut(fmt, sink, d);
    log << "open";
    if (d) out = std::make_unique<WatchedOut>(std::move(d), log, changedWhileHeld);
    return r;
  }
  DeviceResult OpenIn(const WAVEFORMATEX& fmt, DeviceNoticeSink& sink,
                      std::unique_ptr<WaveInDevice>& out) override {
    return sim.OpenIn(fmt, sink, out);
  }
  std::string Description() const override { return "watched"; }
};

}  // namespace mixtest
