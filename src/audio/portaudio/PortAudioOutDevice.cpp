#include "audio/portaudio/PortAudioOutDevice.h"

#include <algorithm>
#include <cstring>
#include <utility>

// The callbacks share these with the GUI thread; they must not hide a lock.
static_assert(std::atomic<double>::is_always_lock_free);
static_assert(std::atomic<std::uint32_t>::is_always_lock_free);

namespace {
constexpr const char* kHeld = "a block";  // for StillQueued
}  // namespace

DeviceResult PortAudioOutDevice::Open(std::shared_ptr<PortAudioSession> session, int device,
                                      const WAVEFORMATEX& wave, DeviceNoticeSink& sink,
                                      std::unique_ptr<WaveOutDevice>& out, Accepted& accepted) {
  if (accepted.valid && accepted.device == device && accepted.wave == wave && session) {
    out.reset(new PortAudioOutDevice(std::move(session), accepted.format, sink, device));
    return DeviceResult::Ok();
  }
  std::unique_ptr<PortAudioOutDevice> dev;
  const DeviceResult r = OpenAs<PortAudioOutDevice>(std::move(session), device, wave, sink, dev);
  if (dev) accepted = {true, device, wave, dev->format_};
  out = std::move(dev);
  return r;
}

PortAudioOutDevice::PortAudioOutDevice(std::shared_ptr<PortAudioSession> session,
                                       const PortAudioFormat& format, DeviceNoticeSink& sink,
                                       int device)
    : PortAudioStream(std::move(session), format, sink, Direction::Output, device) {}

DeviceResult PortAudioOutDevice::Begin() {
  return CheckSupported(StreamBuffering::For(format_.rate, PlaybackUse::Sound));
}

int PortAudioOutDevice::Callback(const void*, void* output, unsigned long frames,
                                 const PaStreamCallbackTimeInfo* time, PaStreamCallbackFlags,
                                 void* self) {
  const double now = time ? time->currentTime : 0.0;
  const double dac = time ? time->outputBufferDacTime : 0.0;
  return static_cast<PortAudioOutDevice*>(self)->Fill(static_cast<std::uint8_t*>(output),
                                                      static_cast<std::uint32_t>(frames), now, dac);
}

// Audio thread, as the stream ends: unless this side ended it, the host did (the sound
// server died): the device is lost and the block comes back.
void PortAudioOutDevice::StreamFinished(void* self) {
  auto* dev = static_cast<PortAudioOutDevice*>(self);
  if (!dev->EndedByHost() || !dev->hdr_) return;
  dev->lost_.store(true, std::memory_order_release);
  dev->sink_.PostOutputLost();
  dev->Finish();
}

// Audio thread. Copies, stamps and, once the last frame has been heard, finishes and ends
// the stream (what it still holds is silence).
int PortAudioOutDevice::Fill(std::uint8_t* out, std::uint32_t frames, double now,
                             double dac) noexcept {
  const std::uint32_t align = format_.blockAlign;
  const std::uint32_t start = handed_.load(std::memory_order_relaxed);
  const std::uint32_t take = std::min(frames, frames_ - start);
  if (take > 0) {
    format_.ToStream(data_ + std::size_t{start} * align, out, take);
    if (dac <= 0.0) dac = now + latency_;  // a host without DAC times
    origin_.store(dac - start / format_.rate, std::memory_order_relaxed);
    handed_.store(start + take, std::memory_order_release);
    if (start + take == frames_) endTime_ = dac + take / format_.rate;
  }
  if (take < frames) {
    std::memset(out + std::size_t{take} * align, format_.SilenceByte(),
                std::size_t{frames - take} * align);
    tailFrames_ += frames - take;
  }
  if (start + take < frames_ || finished_.load(std::memory_order_relaxed)) return paContinue;
  // Without a stream clock, wait until the host's latency has passed in silence.
  const bool heard = now > 0.0 ? now >= endTime_ : tailFrames_ >= latency_ * format_.rate;
  if (!heard) return paContinue;
  heardAll_.store(true, std::memory_order_release);
  Finish();
  EndingItself();
  return paAbort;
}

void PortAudioOutDevice::Finish() noexcept {
  if (!hdr_ || finished_.load(std::memory_order_relaxed)) return;
  hdr_->dwFlags = (hdr_->dwFlags & ~WHDR_INQUEUE) | WHDR_DONE;
  finished_.store(true, std::memory_order_release);
  sink_.PostOutputDone();
}

bool PortAudioOutDevice::Outstanding() const {
  return hdr_ && !finished_.load(std::memory_order_acquire);
}

std::uint32_t PortAudioOutDevice::HeardFrames() {
  if (!hdr_) return heardFrames_;
  if (heardAll_.load(std::memory_order_acquire)) return heardFrames_ = frames_;
  if (state_ != State::Playing || !stream_ || lost_.load(std::memory_order_acquire))
    return heardFrames_;
  const std::uint32_t handed = handed_.load(std::memory_order_acquire);
  if (handed == 0) return heardFrames_;
  const double origin = origin_.load(std::memory_order_relaxed);
  const double now = Pa_GetStreamTime(stream_);
  const double heard = now > 0.0 ? (now - origin) * format_.rate
                                 : handed - latency_ * format_.rate;  // no stream clock
  std::uint32_t whole = 0;
  if (heard >= handed)
    whole = handed;
  else if (heard > 0.0)
    whole = static_cast<std::uint32_t>(heard);  // truncates: whole frames only
  heardFrames_ = std::max(heardFrames_, whole);
  return heardFrames_;
}

void PortAudioOutDevice::ForgetBlock() {
  hdr_ = nullptr;
  data_ = nullptr;
  frames_ = 0;
  handed_.store(0, std::memory_order_relaxed);
  origin_.store(0.0, std::memory_order_relaxed);
  finished_.store(false, std::memory_order_relaxed);
  heardAll_.store(false, std::memory_order_relaxed);
  lost_.store(false, std::memory_order_relaxed);
  endTime_ = 0;
  tailFrames_ = 0;
  heardFrames_ = 0;
}

DeviceResult PortAudioOutDevice::Prepare(WAVEHDR& hdr) {
  if (closed_) return Closed();
  if (!hdr.lpData && hdr.dwBufferLength > 0)
    return DeviceResult::Error(PortAudioDeviceCode::kBadParam, "The block has no data.");
  if (&hdr == hdr_ && Outstanding()) return StillQueued(kHeld);
  hdr.dwFlags |= WHDR_PREPARED;
  return DeviceResult::Ok();
}

DeviceResult PortAudioOutDevice::Unprepare(WAVEHDR& hdr) {
  if (closed_) return Closed();
  if (&hdr == hdr_ && Outstanding()) return StillQueued(kHeld);
  hdr.dwFlags &= ~WHDR_PREPARED;
  return DeviceResult::Ok();
}

DeviceResult PortAudioOutDevice::Write(WAVEHDR& hdr) {
  if (closed_) return Closed();
  if (!(hdr.dwFlags & WHDR_PREPARED))
    return DeviceResult::Error(PortAudioDeviceCode::kUnprepared, "The block was not prepared.");
  if (Outstanding()) return StillQueued(kHeld);
  const std::uint32_t earlier = HeardFrames();
  CloseStream();  // the earlier block's, ended by now
  if (hdr_) baseBytes_ += std::uint64_t{earlier} * format_.blockAlign;
  ForgetBlock();
  hdr_ = &hdr;
  data_ = hdr.lpData;
  frames_ = hdr.dwBufferLength / format_.blockAlign;
  const std::uint32_t flags = hdr.dwFlags;
  hdr.dwFlags = (flags & ~WHDR_DONE) | WHDR_INQUEUE;
  if (frames_ == 0) {
    Finish();
    return DeviceResult::Ok();
  }
  if (state_ == State::Paused) return DeviceResult::Ok();  // held until Reset returns it
  DeviceResult r =
      OpenStream(&Callback, &StreamFinished, this, StreamBuffering::For(format_.rate, use_));
  // Starting the stream creates the audio thread, which then sees the block set above.
  if (r.ok()) r = PortAudioError(StartStream());
  if (!r.ok()) {
    CloseStream();
    hdr.dwFlags = flags;
    ForgetBlock();
    return r;
  }
  state_ = State::Playing;
  return DeviceResult::Ok();
}

DeviceResult PortAudioOutDevice::GetPosition(MMTIME& time) {
  if (closed_) return Closed();
  const std::uint64_t bytes = baseBytes_ + std::uint64_t{HeardFrames()} * format_.blockAlign;
  time.cb = static_cast<std::uint32_t>(bytes);  // wraps at 4 GiB, as the record does
  return DeviceResult::Ok();
}

DeviceResult PortAudioOutDevice::Pause() {
  if (closed_) return Closed();
  if (state_ == State::Playing) {
    HeardFrames();  // holds what has been heard so far
    CloseStream();  // a pause may last: nothing stays open for it
  }
  state_ = State::Paused;
  return DeviceResult::Ok();
}

DeviceResult PortAudioOutDevice::Reset() {
  if (closed_) return Closed();
  CloseStream();  // from here on the callbacks no longer run: the block is ours
  Finish();
  ForgetBlock();
  baseBytes_ = 0;
  state_ = State::Idle;
  return DeviceResult::Ok();
}

DeviceResult PortAudioOutDevice::Close() {
  if (closed_) return Closed();
  if (Outstanding()) return StillQueued(kHeld);
  CloseStream();
  ForgetBlock();
  closed_ = true;
  return DeviceResult::Ok();
}
