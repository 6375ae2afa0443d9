#include "audio/SimulatedWaveIn.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {
DeviceResult StillQueued() {
  return DeviceResult::Error(SimError::kStillQueued,
                             "The device still holds capture buffers; reset it first.");
}
}  // namespace

SimulatedWaveIn::SimulatedWaveIn(std::shared_ptr<SimHooks> hooks, SimClockMode mode,
                                 const WAVEFORMATEX& format, DeviceNoticeSink& sink,
                                 SimSignal signal)
    : SimulatedDevice(std::move(hooks), mode, format, sink), signal_(std::move(signal)) {
  StartWorker();
  hooks_->Register(this);
}

SimulatedWaveIn::~SimulatedWaveIn() {
  hooks_->Unregister(this);  // first: AdvanceAll or SetSignal may be about to call us
  StopWorker();
}

DeviceResult SimulatedWaveIn::Prepare(WAVEHDR& hdr) {
  std::unique_lock<std::mutex> lock;
  if (DeviceResult r = Begin(SimCall::PrepareIn, lock); !r.ok()) return r;
  if (!hdr.lpData && hdr.dwBufferLength > 0)
    return DeviceResult::Error(SimError::kBadParam, "The capture buffer has no data block.");
  if (QueuedLocked(hdr)) return StillQueued();
  hdr.dwFlags |= WHDR_PREPARED;
  return DeviceResult::Ok();
}

DeviceResult SimulatedWaveIn::Unprepare(WAVEHDR& hdr) {
  std::unique_lock<std::mutex> lock;
  if (DeviceResult r = Begin(SimCall::UnprepareIn, lock); !r.ok()) return r;
  if (QueuedLocked(hdr)) return StillQueued();
  hdr.dwFlags &= ~WHDR_PREPARED;
  return DeviceResult::Ok();
}

DeviceResult SimulatedWaveIn::AddBuffer(WAVEHDR& hdr) {
  {
    std::unique_lock<std::mutex> lock;
    if (DeviceResult r = Begin(SimCall::AddBuffer, lock); !r.ok()) return r;
    if (!(hdr.dwFlags & WHDR_PREPARED))
      return DeviceResult::Error(SimError::kUnprepared, "The capture buffer was not prepared.");
    if (!hdr.lpData || hdr.dwBufferLength == 0)
      return DeviceResult::Error(SimError::kBadParam, "The capture buffer is empty.");
    if (QueuedLocked(hdr)) return StillQueued();
    hdr.dwBytesRecorded = 0;
    hdr.dwFlags = (hdr.dwFlags & ~WHDR_DONE) | WHDR_INQUEUE;
    queue_.push_back(&hdr);
  }
  WakeWorker();
  return DeviceResult::Ok();
}

DeviceResult SimulatedWaveIn::Start() {
  if (DeviceResult r = hooks_->GoneRefusal(); !r.ok()) return r;  // before our lock
  {
    std::unique_lock<std::mutex> lock;
    if (DeviceResult r = Begin(SimCall::Start, lock); !r.ok()) return r;
    started_ = true;
  }
  WakeWorker();
  return DeviceResult::Ok();
}

DeviceResult SimulatedWaveIn::Reset() {
  {
    std::unique_lock<std::mutex> lock;
    if (DeviceResult r = Begin(SimCall::ResetIn, lock); !r.ok()) return r;
    started_ = false;
    std::uint32_t filled = headFilled_;
    while (!queue_.empty()) {
      WAVEHDR* hdr = queue_.front();
      queue_.pop_front();
      hdr->dwBytesRecorded = filled;
      hdr->dwFlags = (hdr->dwFlags & ~WHDR_INQUEUE) | WHDR_DONE;
      sink_.PostInputData(hdr);
      filled = 0;  // only the front buffer held anything
    }
    headFilled_ = 0;
    frames_ = 0;
    delivered_ = 0;
    cachedFrame_ = UINT64_MAX;
    clock_.Restart();
  }
  WakeWorker();
  return DeviceResult::Ok();
}

DeviceResult SimulatedWaveIn::Close() {
  std::unique_lock<std::mutex> lock;
  if (DeviceResult r = Begin(SimCall::CloseIn, lock); !r.ok()) return r;
  if (!queue_.empty()) return StillQueued();
  started_ = false;
  closed_ = true;
  return DeviceResult::Ok();
}

void SimulatedWaveIn::SetSignal(SimSignal signal) {
  std::lock_guard lock(mutex_);
  signal_ = std::move(signal);
  cachedFrame_ = UINT64_MAX;
}

void SimulatedWaveIn::Lose() {
  std::lock_guard lock(mutex_);
  if (closed_) return;
  CatchUpLocked();
  sink_.PostInputLost();
  started_ = false;
}

bool SimulatedWaveIn::Started() const {
  std::lock_guard lock(mutex_);
  return started_;
}

std::size_t SimulatedWaveIn::QueuedBuffers() {
  std::lock_guard lock(mutex_);
  CatchUpLocked();
  return queue_.size();
}

std::uint64_t SimulatedWaveIn::FramesCaptured() {
  std::lock_guard lock(mutex_);
  CatchUpLocked();
  return frames_;
}

bool SimulatedWaveIn::RunningLocked() const { return started_; }

std::optional<std::uint64_t> SimulatedWaveIn::FramesToNextEventLocked() const {
  if (queue_.empty()) return std::nullopt;  // frames would only be lost
  // Stream offset at which the front buffer is full, rounded up to the frame holding it.
  const std::uint64_t align = format_.nBlockAlign;
  const std::uint64_t fullAt = delivered_ + (queue_.front()->dwBufferLength - headFilled_);
  const std::uint64_t framesNeeded = (fullAt + align - 1) / align;
  return framesNeeded > frames_ ? framesNeeded - frames_ : 0;
}

void SimulatedWaveIn::ConsumeFramesLocked(std::uint64_t frames) {
  frames_ += frames;
  const std::uint64_t captured = frames_ * format_.nBlockAlign;  // stream bytes so far
  while (delivered_ < captured) {
    if (queue_.empty()) {  // no buffer: the rest of the captured frames is lost
      delivered_ = captured;
      break;
    }
    WAVEHDR* hdr = queue_.front();
    const std::uint64_t room = hdr->dwBufferLength - headFilled_;
    const auto n = static_cast<std::uint32_t>(std::min(room, captured - delivered_));
    for (std::uint32_t i = 0; i < n; ++i)
      hdr->lpData[headFilled_ + i] = StreamByteLocked(delivered_ + i);
    headFilled_ += n;
    delivered_ += n;
    if (headFilled_ == hdr->dwBufferLength) {
      queue_.pop_front();
      headFilled_ = 0;
      hdr->dwBytesRecorded = hdr->dwBufferLength;
      hdr->dwFlags = (hdr->dwFlags & ~WHDR_INQUEUE) | WHDR_DONE;
      sink_.PostInputData(hdr);
    }
  }
}

bool SimulatedWaveIn::QueuedLocked(const WAVEHDR& hdr) const {
  return std::find(queue_.begin(), queue_.end(), &hdr) != queue_.end();
}

std::uint8_t SimulatedWaveIn::StreamByteLocked(std::uint64_t offset) {
  const std::uint32_t align = format_.nBlockAlign;
  const std::uint64_t frame = offset / align;
  if (frame != cachedFrame_) {
    double v = signal_ ? signal_(frame) : 0.0;
    if (std::isnan(v)) v = 0.0;
    v = std::clamp(v, -1.0, 1.0);
    std::uint8_t sample[2];
    unsigned sampleBytes = 1;
    if (format_.wBitsPerSample == 8) {  // unsigned, silence at 128; +1 clips to 255
      const double u = std::clamp(std::nearbyint(128.0 + v * 128.0), 0.0, 255.0);
      sample[0] = static_cast<std::uint8_t>(u);
    } else {  // signed, silence at 0; +1 clips to 32767
      const double s = std::clamp(std::nearbyint(v * 32768.0), -32768.0, 32767.0);
      const auto u = static_cast<std::uint16_t>(static_cast<std::int16_t>(s));
      sample[0] = static_cast<std::uint8_t>(u & 0xFF);  // little-endian
      sample[1] = static_cast<std::uint8_t>(u >> 8);
      sampleBytes = 2;
    }
    for (unsigned i = 0; i < align && i < cachedBytes_.size(); ++i)
      cachedBytes_[i] = sample[i % sampleBytes];
    cachedFrame_ = frame;
  }
  return cachedBytes_[offset % align];
}
