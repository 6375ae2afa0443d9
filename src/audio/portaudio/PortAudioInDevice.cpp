#include "audio/portaudio/PortAudioInDevice.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace {
constexpr const char* kHeld = "the capture buffer";  // for StillQueued
}  // namespace

DeviceResult PortAudioInDevice::Open(std::shared_ptr<PortAudioSession> session, int device,
                                     const WAVEFORMATEX& wave, DeviceNoticeSink& sink,
                                     std::unique_ptr<WaveInDevice>& out) {
  return OpenAs<PortAudioInDevice>(std::move(session), device, wave, sink, out);
}

PortAudioInDevice::PortAudioInDevice(std::shared_ptr<PortAudioSession> session,
                                     const PortAudioFormat& format, DeviceNoticeSink& sink)
    : PortAudioStream(std::move(session), format, sink, Direction::Input) {}

int PortAudioInDevice::Callback(const void* input, void*, unsigned long frames,
                                const PaStreamCallbackTimeInfo*, PaStreamCallbackFlags,
                                void* self) {
  static_cast<PortAudioInDevice*>(self)->Take(static_cast<const std::uint8_t*>(input),
                                              static_cast<std::uint32_t>(frames));
  return paContinue;
}

// Audio thread: copies whole frames into the head buffer and moves full buffers on.
void PortAudioInDevice::Take(const std::uint8_t* in, std::uint32_t frames) noexcept {
  const std::uint32_t align = format_.blockAlign;
  std::uint32_t done = 0;
  while (done < frames) {
    WAVEHDR* head = Head();
    if (!head) {
      lost_.fetch_add(frames - done, std::memory_order_relaxed);
      return;
    }
    const std::uint32_t room = (head->dwBufferLength - headFilled_) / align;
    const std::uint32_t n = std::min(room, frames - done);
    std::uint8_t* to = head->lpData + headFilled_;
    if (in)
      format_.FromStream(in + std::size_t{done} * align, to, n);
    else  // the host delivered no input this time: silence
      std::memset(to, format_.WaveSilenceByte(), std::size_t{n} * align);
    headFilled_ += n * align;
    done += n;
    if (head->dwBufferLength - headFilled_ < align) ReturnHead();
  }
}

void PortAudioInDevice::ReturnHead() noexcept {
  const std::size_t tail = tail_.load(std::memory_order_relaxed);
  WAVEHDR* head = ring_[tail % kMaxQueued].load(std::memory_order_relaxed);
  head->dwBytesRecorded = headFilled_;
  head->dwFlags = (head->dwFlags & ~WHDR_INQUEUE) | WHDR_DONE;
  headFilled_ = 0;
  tail_.store(tail + 1, std::memory_order_release);
  sink_.PostInputData(head);
}

WAVEHDR* PortAudioInDevice::Head() const {
  const std::size_t tail = tail_.load(std::memory_order_relaxed);
  if (tail == head_.load(std::memory_order_acquire)) return nullptr;
  return ring_[tail % kMaxQueued].load(std::memory_order_relaxed);
}

bool PortAudioInDevice::Queued(const WAVEHDR& hdr) const {
  const std::size_t head = head_.load(std::memory_order_relaxed);
  for (std::size_t i = tail_.load(std::memory_order_acquire); i != head; ++i)
    if (ring_[i % kMaxQueued].load(std::memory_order_relaxed) == &hdr) return true;
  return false;
}

bool PortAudioInDevice::AnyQueued() const {
  return tail_.load(std::memory_order_acquire) != head_.load(std::memory_order_relaxed);
}

DeviceResult PortAudioInDevice::Prepare(WAVEHDR& hdr) {
  if (closed_) return Closed();
  if (!hdr.lpData && hdr.dwBufferLength > 0)
    return DeviceResult::Error(PortAudioDeviceCode::kBadParam,
                               "The capture buffer has no data block.");
  if (Queued(hdr)) return StillQueued(kHeld);
  hdr.dwFlags |= WHDR_PREPARED;
  return DeviceResult::Ok();
}

DeviceResult PortAudioInDevice::Unprepare(WAVEHDR& hdr) {
  if (closed_) return Closed();
  if (Queued(hdr)) return StillQueued(kHeld);
  hdr.dwFlags &= ~WHDR_PREPARED;
  return DeviceResult::Ok();
}

DeviceResult PortAudioInDevice::AddBuffer(WAVEHDR& hdr) {
  if (closed_) return Closed();
  if (!(hdr.dwFlags & WHDR_PREPARED))
    return DeviceResult::Error(PortAudioDeviceCode::kUnprepared,
                               "The capture buffer was not prepared.");
  if (hdr.dwBufferLength < format_.blockAlign)
    return DeviceResult::Error(PortAudioDeviceCode::kBadParam, "The capture buffer is empty.");
  if (Queued(hdr)) return StillQueued(kHeld);
  const std::size_t head = head_.load(std::memory_order_relaxed);
  if (head - tail_.load(std::memory_order_acquire) == kMaxQueued)
    return DeviceResult::Error(PortAudioDeviceCode::kBadParam,
                               "Too many capture buffers are queued.");
  hdr.dwBytesRecorded = 0;
  hdr.dwFlags = (hdr.dwFlags & ~WHDR_DONE) | WHDR_INQUEUE;
  ring_[head % kMaxQueued].store(&hdr, std::memory_order_relaxed);
  head_.store(head + 1, std::memory_order_release);
  return DeviceResult::Ok();
}

DeviceResult PortAudioInDevice::Start() {
  if (closed_) return Closed();
  if (started_) return DeviceResult::Ok();
  if (const PaError error = Pa_StartStream(stream_); error != paNoError)
    return PortAudioError(error);
  started_ = true;
  return DeviceResult::Ok();
}

DeviceResult PortAudioInDevice::Reset() {
  if (closed_) return Closed();
  StopStream();  // from here on the callback no longer runs: the ring is ours
  started_ = false;
  while (Head()) ReturnHead();  // the first carries the bytes it holds, the rest 0
  return DeviceResult::Ok();
}

DeviceResult PortAudioInDevice::Close() {
  if (closed_) return Closed();
  if (AnyQueued()) return StillQueued(kHeld);
  CloseStream();
  started_ = false;
  return DeviceResult::Ok();
}
