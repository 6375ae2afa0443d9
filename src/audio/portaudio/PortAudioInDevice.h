#pragma once
// Capture through a PortAudio input stream into the added buffers, in the order they were
// added. A buffer leaves the queue when fewer bytes than one frame are left in it, with
// dwBytesRecorded set and WHDR_DONE, and is posted with PostInputData. Frames that arrive
// while no buffer waits are lost, as on any capture device.
//
// The stream's buffers are long (StreamBuffering's kCapturePeriod): the capture buffers are
// longer still, and a full one is handed over at most one stream buffer late.
//
// Threads: every device call is made on the GUI thread. The stream callback runs on
// PortAudio's audio thread and only copies frames into the head buffer, moves it on and
// posts its notice; it never allocates, locks or calls into a toolkit. The added headers
// cross from the GUI thread (the ring's one producer) to the callback (its consumer)
// through a LockFreeRing. Reset and Close abort the stream first, after which the GUI
// thread may touch everything the callback used and becomes the ring's consumer.

#include <atomic>
#include <cstdint>
#include <memory>

#include "audio/LockFreeRing.h"
#include "audio/WaveInDevice.h"
#include "audio/portaudio/PortAudioStream.h"

class PortAudioInDevice final : public WaveInDevice, private PortAudioStream {
public:
  static constexpr std::size_t kMaxQueued = 32;  // buffers queued at once; a power of two

  // Opens, without starting, a stream on PortAudio device `device` for `format`. On failure
  // `out` stays empty and the result carries PortAudio's text.
  static DeviceResult Open(std::shared_ptr<PortAudioSession> session, int device,
                           const WAVEFORMATEX& format, DeviceNoticeSink& sink,
                           std::unique_ptr<WaveInDevice>& out);
  // Closes the stream; queued buffers are dropped without a notice.
  ~PortAudioInDevice() override { StopStream(); }  // the callback ends before the members

  DeviceResult Prepare(WAVEHDR& hdr) override;
  DeviceResult Unprepare(WAVEHDR& hdr) override;  // refused while the buffer is queued
  DeviceResult AddBuffer(WAVEHDR& hdr) override;
  DeviceResult Start() override;
  // Stops capture and returns every queued buffer, oldest first: the one being filled with
  // the bytes it holds, the others with 0. Also after the device was lost.
  DeviceResult Reset() override;
  DeviceResult Close() override;  // refused while buffers are queued: reset first

  // Frames that arrived while no buffer was queued, since open. GUI thread.
  std::uint64_t LostFrames() const { return lost_.load(std::memory_order_relaxed); }

private:
  friend class PortAudioStream;  // opens it

  PortAudioInDevice(std::shared_ptr<PortAudioSession> session, const PortAudioFormat& format,
                    DeviceNoticeSink& sink, int device);
  DeviceResult Begin();  // opens the stream, not started
  static void StreamFinished(void* self);

  static int Callback(const void* input, void* output, unsigned long frames,
                      const PaStreamCallbackTimeInfo* time, PaStreamCallbackFlags flags,
                      void* self);
  void Take(const std::uint8_t* in, std::uint32_t frames) noexcept;
  void ReturnHead() noexcept;  // consumer side: the head buffer leaves with its bytes

  WAVEHDR* Head();  // consumer side: oldest queued buffer, or nullptr
  bool Queued(const WAVEHDR& hdr) const;
  bool AnyQueued() const;

  // The queued buffers, oldest first. The GUI thread pushes; the consumer is the callback,
  // or the GUI thread while the stream is stopped.
  LockFreeRing<WAVEHDR*, kMaxQueued> ring_;
  std::uint32_t headFilled_ = 0;  // consumer: bytes already in the head buffer
  std::atomic<std::uint64_t> lost_{0};
  std::atomic<bool> deviceLost_{false};  // the host ended the stream

  bool started_ = false;  // GUI thread
};
