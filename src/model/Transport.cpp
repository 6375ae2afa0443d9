#include "model/Transport.h"

#include <algorithm>

#include "base/nearest.h"
#include "model/PlayRange.h"
#include "model/SoundDocument.h"

Transport::Transport(AudioDevices& devices, DeviceNoticeSink& sink, SoundDocument& sound)
    : devices_(devices), sink_(sink), sound_(sound) {}

Transport::~Transport() = default;

DeviceResult Transport::OpenOut() {
  DeviceResult r = devices_.OpenOut(sound_.Format(), sink_, out_);
  if (r.ok() && !out_) r = DeviceResult::Error(-1, "The device did not open.");
  outOpen_ = r.ok();
  if (!outOpen_) out_.reset();
  return r;
}

void Transport::GiveUpBlock() {
  if (blockOwed_) ++staleNotices_;
  blockOwed_ = false;
}

void Transport::ShutDevice(bool pause) {
  if (!out_) return;
  if (pause) out_->Pause();
  out_->Reset();
  if (WAVEHDR* hdr = sound_.PlaybackHeader()) out_->Unprepare(*hdr);
  out_->Close();
  out_.reset();
}

void Transport::CloseOut() {
  GiveUpBlock();
  ShutDevice(false);
  outOpen_ = false;
}

Transport::StartResult Transport::Start(PlaybackUse use) {
  WAVEHDR* hdr = out_ ? sound_.HeaderFrom(playPos_) : nullptr;
  if (!hdr) return {StartResult::Step::Prepare, DeviceResult::Error(-1, "No sound.")};
  if (DeviceResult r = out_->Prepare(*hdr); !r.ok()) {
    CloseOut();
    return {StartResult::Step::Prepare, r};
  }
  timerOn_ = true;
  out_->SetUse(use);
  if (DeviceResult r = out_->Write(*hdr); !r.ok()) {
    timerOn_ = false;
    CloseOut();
    return {StartResult::Step::Write, r};
  }
  blockOwed_ = true;
  playing_ = true;
  return {};
}

DeviceResult Transport::Stop() {
  timerOn_ = false;
  playing_ = false;
  GiveUpBlock();
  ShutDevice(true);
  // The notice of the block just returned reads the fresh device's position; if its query
  // fails it must not add the last tick's count to where the stop left PlayPos.
  playTime_.cb = 0;
  return OpenOut();
}

Transport::Done Transport::OnOutputDone() {
  Done d;
  // Notices come in posting order, so the first ones after a stop are those of the blocks
  // the stop gave up: they change nothing (above all not a playback started since).
  if (staleNotices_ > 0) {
    --staleNotices_;
    if (!playing_) d.thumb = playPos_;
    return d;
  }
  blockOwed_ = false;
  timerOn_ = false;
  d.positionFailed = !out_ || !out_->GetPosition(playTime_).ok();
  playPos_ += std::int32_t(playTime_.cb);
  d.thumb = playPos_;
  if (playPos_ != sound_.Size() && !playing_) {
    d.kind = Done::Kind::Returned;
    return d;
  }
  d.kind = Done::Kind::Ended;
  playPos_ = 0;
  d.reopen = Stop();
  return d;
}

bool Transport::OnOutputLost() {
  const bool wasPlaying = playing_;
  if (wasPlaying && out_ && out_->GetPosition(playTime_).ok()) {
    playPos_ += std::int32_t(playTime_.cb);
    if (playPos_ >= sound_.Size()) playPos_ = 0;
  }
  playTime_.cb = 0;
  timerOn_ = false;
  playing_ = false;
  CloseOut();
  return wasPlaying;
}

Transport::Tick Transport::OnTick(const TickSettings& s) {
  Tick t;
  if (!out_ || !out_->GetPosition(playTime_).ok()) {
    timerOn_ = false;
    t.positionFailed = true;
    return t;
  }
  const WAVEFORMATEX& fmt = sound_.Format();
  const std::uint32_t size = std::uint32_t(sound_.Size());
  // The sounding byte, aligned to the sample width of the settings.
  const std::uint32_t step = std::max<std::uint32_t>(s.recBits / 8, 1);
  t.cur = ((std::uint32_t(playPos_) + playTime_.cb) / step) * step;
  // The whole number of view windows closest to one timer period of samples.
  const double period = double(s.intervalMs) * s.recSampleRate / 1000;
  const std::uint32_t frames = std::uint32_t(Nearest(period / s.fftSize));
  std::int32_t ahead = std::int32_t(t.cur + s.fftSize * frames);
  if (fmt.nBlockAlign) ahead += ahead % fmt.nBlockAlign;
  if (std::int64_t(ahead) <= std::int64_t(size) &&
      PlayRange::HasRoom(size, std::uint32_t(ahead), fmt.nBlockAlign, s.fftSize))
    t.paintAt = std::uint32_t(ahead);
  if (t.cur == size) {
    timerOn_ = false;
    playing_ = false;
    t.ended = true;
  }
  return t;
}
