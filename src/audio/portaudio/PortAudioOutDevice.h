#pragma once
// Playback through a PortAudio output stream: one written block at a time, played from its
// first byte to its last.
//
// Threads: every device call is made on the GUI thread. The stream callback runs on
// PortAudio's audio thread; it only copies bytes of the block into the stream, updates the
// atomics below and, once the last frame has been heard, posts the one notice. It never
// allocates, locks or calls into a toolkit.
//
// Timing: the callback stamps which stream time the frames it hands over reach the DAC
// (outputBufferDacTime); GetPosition compares that with Pa_GetStreamTime, so it counts the
// frames already heard, not those merely buffered. The notice is posted by the first
// callback whose current time lies past the end of the block's last frame, i.e. at most
// one buffer period (some milliseconds) after it was heard.
//
// The stream runs only while a block plays: Write starts it, Pause, Reset and Close abort
// it, which drops what the host still buffers and returns within a millisecond or so.

#include <atomic>
#include <cstdint>
#include <memory>

#include "audio/portaudio/PortAudioStream.h"
#include "audio/WaveOutDevice.h"

class PortAudioOutDevice final : public WaveOutDevice, private PortAudioStream {
 public:
  // Opens, without starting, a stream on PortAudio device `device` for `format`. On failure
  // `out` stays empty and the result carries PortAudio's text.
  static DeviceResult Open(std::shared_ptr<PortAudioSession> session, int device,
                           const WAVEFORMATEX& format, DeviceNoticeSink& sink,
                           std::unique_ptr<WaveOutDevice>& out);
  // Closes the stream; a block still playing is dropped without a notice.
  ~PortAudioOutDevice() override { StopStream(); }  // the callback ends before the members

  DeviceResult Prepare(WAVEHDR& hdr) override;
  DeviceResult Unprepare(WAVEHDR& hdr) override;  // refused while the block plays
  // Refused while another block plays. A block shorter than one frame is done at once.
  DeviceResult Write(WAVEHDR& hdr) override;
  // Bytes heard since open or the last Reset, whole frames, never past the block's end.
  DeviceResult GetPosition(MMTIME& time) override;
  // Silences the device and holds the position; only Reset lets it play again.
  DeviceResult Pause() override;
  // Silences the device, returns the block (one notice, unless it had already played to
  // its end) and sets the position back to 0.
  DeviceResult Reset() override;
  DeviceResult Close() override;  // refused while the block plays: reset first

  // The stream's output latency in seconds, as PortAudio reports it. GUI thread.
  double OutputLatency() const { return latency_; }

 private:
  friend class PortAudioStream;  // opens it

  PortAudioOutDevice(std::shared_ptr<PortAudioSession> session, const PortAudioFormat& format,
                     DeviceNoticeSink& sink);

  static int Callback(const void* input, void* output, unsigned long frames,
                      const PaStreamCallbackTimeInfo* time, PaStreamCallbackFlags flags,
                      void* self);
  int Fill(std::uint8_t* out, std::uint32_t frames, double now, double dacTime) noexcept;
  // The block has been heard (callback) or returned (GUI thread, stream stopped): marks
  // the header done and posts the block's one notice.
  void Finish() noexcept;

  bool Outstanding() const;     // a written block has not been heard or returned yet
  std::uint32_t HeardFrames();  // frames of the current block heard by now (monotonic)
  void ForgetBlock();

  // The block. Set by the GUI thread while the stream is stopped; then read by the callback.
  WAVEHDR* hdr_ = nullptr;
  const std::uint8_t* data_ = nullptr;
  std::uint32_t frames_ = 0;  // whole frames in the block

  // Written by the callback (and by the GUI thread while the stream is stopped).
  std::atomic<std::uint32_t> handed_{0};  // frames of the block given to the stream
  std::atomic<double> origin_{0.0};       // stream time at which frame 0 reaches the DAC
  std::atomic<bool> finished_{false};     // heard or returned; its notice is posted
  double endTime_ = 0;        // callback: stream time by which the last frame has played
  std::uint32_t tailFrames_ = 0;  // callback: silent frames after the block (no clock case)

  // GUI thread only.
  enum class State { Idle, Playing, Paused };
  State state_ = State::Idle;
  std::uint32_t heardFrames_ = 0;  // last answer for the current block: never decreases
  std::uint64_t baseBytes_ = 0;    // bytes of earlier blocks heard since open or Reset
};
