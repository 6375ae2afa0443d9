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
                                     const PortAudioFormat& format, DeviceNoticeSink& sink,
                                     int device)
    : PortAudioStream(std::move(session), format, sink, Direction::Input, device) {}

DeviceResult PortAudioInDevice::Begin() {
  return OpenStream(&Callback, &StreamFinished, this, StreamBuffering::ForCapture(format_.rate));
}

// Audio thread, as the stream ends: unless this side stopped it, the host did (the sound
// server died). The buffers stay queued for Reset.
void PortAudioInDevice::StreamFinished(void* self) {
  auto* dev = static_cast<PortAudioInDevice*>(self);
  if (!dev->EndedByHost()) return;
  dev->deviceLost_.store(true, std::memory_order_release);
  dev->sink_.PostInputLost();
}

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
  WAVEHDR* head = Head();
  if (!head) return;
  head->dwBytesRecorded = headFilled_;
  head->dwFlags = (head->dwFlags & ~WHDR_INQUEUE) | WHDR_DONE;
  headFilled_ = 0;
  // Only now does it leave the ring: from here on the GUI thread may touch the header.
  ring_.TryPop(head);
  sink_.PostInputData(head);
}

WAVEHDR* PortAudioInDevice::Head() {
  WAVEHDR* const* head = ring_.Front();
  return head ? *head : nullptr;
}

bool PortAudioInDevice::Queued(const WAVEHDR& hdr) const {
  return ring_.AnyQueued([&](const WAVEHDR* queued) { return queued == &hdr; });
}

bool PortAudioInDevice::AnyQueued() const { return !ring_.Empty(); }

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
  const auto tooMany = [] {
    return DeviceResult::Error(PortAudioDeviceCode::kBadParam,
                               "Too many capture buffers are queued.");
  };
  if (ring_.Pushed() - ring_.Popped() >= kMaxQueued) return tooMany();
  const std::uint32_t flags = hdr.dwFlags;
  hdr.dwBytesRecorded = 0;
  hdr.dwFlags = (flags & ~WHDR_DONE) | WHDR_INQUEUE;
  if (!ring_.TryPush(&hdr)) {  // not while this thread is the only producer; kept safe
    hdr.dwFlags = flags;
    return tooMany();
  }
  return DeviceResult::Ok();
}

DeviceResult PortAudioInDevice::Start() {
  if (closed_) return Closed();
  if (deviceLost_.load(std::memory_order_acquire))
    return DeviceResult::Error(paDeviceUnavailable, "The sound input device was lost.");
  if (started_) return DeviceResult::Ok();
  if (const PaError error = StartStream(); error != paNoError) return PortAudioError(error);
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
  closed_ = true;
  return DeviceResult::Ok();
}
