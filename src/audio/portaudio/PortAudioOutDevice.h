#pragma once
// Playback of one block at a time through a PortAudio output stream.
//
// The stream lives from a Write until the block has been heard: Write opens it with the
// buffering of the use in force (StreamBuffering) and starts it, primed with the block's
// first frames; once the stream clock says the last frame has been heard the callback
// posts the notice and ends the stream, and the next device call closes it. While nothing
// plays no stream is open, so neither this program nor the sound server wakes for it.
// Open only asks whether the device takes the format.
//
// The position follows the stream clock: each callback notes at which stream time its
// first frame reaches the DAC, and GetPosition counts the frames heard by now, never more
// than were handed over, never fewer than it answered before.
//
// Threads: every device call is made on the GUI thread. The stream callbacks run on
// PortAudio's audio thread and only copy bytes, stamp times and post notices; they never
// allocate, lock or call into a toolkit. The block is set while no stream runs.

#include <atomic>
#include <cstdint>
#include <memory>

#include "audio/WaveOutDevice.h"
#include "audio/portaudio/PortAudioStream.h"

class PortAudioOutDevice final : public WaveOutDevice, private PortAudioStream {
public:
  // The last format a device took. Asking costs milliseconds (the sound server is
  // contacted), and the transport opens a device again after every playback, the mixer
  // before nearly every note: a device opened for the same format again is not asked.
  struct Accepted {
    bool valid = false;
    int device = -1;
    WAVEFORMATEX wave;
    PortAudioFormat format;
  };

  // Makes a device for PortAudio device `device` if it takes `format` (or took it last,
  // as `accepted` remembers; updated here). On failure `out` stays empty and the result
  // carries PortAudio's text.
  static DeviceResult Open(std::shared_ptr<PortAudioSession> session, int device,
                           const WAVEFORMATEX& format, DeviceNoticeSink& sink,
                           std::unique_ptr<WaveOutDevice>& out, Accepted& accepted);
  // Closes the stream; a block still playing is dropped without a notice.
  ~PortAudioOutDevice() override { StopStream(); }  // the callback ends before the members

  DeviceResult Prepare(WAVEHDR& hdr) override;
  DeviceResult Unprepare(WAVEHDR& hdr) override;  // refused while the block plays
  // Refused while another block plays. A block shorter than one frame is done at once.
  // Opening or starting the stream may fail (the sound server has gone): the result then
  // carries PortAudio's text and the block was not taken.
  DeviceResult Write(WAVEHDR& hdr) override;
  // Bytes heard since open or the last Reset, whole frames, never past the block's end.
  DeviceResult GetPosition(MMTIME& time) override;
  // Silences the device and holds the position; only Reset lets it play again.
  DeviceResult Pause() override;
  // Silences the device, returns the block (one notice, unless it had already played to
  // its end) and sets the position back to 0.
  DeviceResult Reset() override;
  DeviceResult Close() override;  // refused while the block plays: reset first
  void SetUse(PlaybackUse use) override { use_ = use; }

  // The last stream's output latency in seconds, as PortAudio reports it. GUI thread.
  double OutputLatency() const { return latency_; }

private:
  friend class PortAudioStream;  // makes it

  PortAudioOutDevice(std::shared_ptr<PortAudioSession> session, const PortAudioFormat& format,
                     DeviceNoticeSink& sink, int device);
  DeviceResult Begin();  // the format check of Open

  static int Callback(const void* input, void* output, unsigned long frames,
                      const PaStreamCallbackTimeInfo* time, PaStreamCallbackFlags flags,
                      void* self);
  static void StreamFinished(void* self);
  int Fill(std::uint8_t* out, std::uint32_t frames, double now, double dacTime) noexcept;
  // The block has been heard, returned or lost (either thread): marks the header done and
  // posts the block's one notice, once.
  void Finish() noexcept;

  bool Outstanding() const;     // a written block has not been heard or returned yet
  std::uint32_t HeardFrames();  // frames of the current block heard by now (monotonic)
  void ForgetBlock();

  PlaybackUse use_ = PlaybackUse::Sound;  // GUI thread

  // The block. Set by the GUI thread while no stream runs; then read by the callback.
  WAVEHDR* hdr_ = nullptr;
  const std::uint8_t* data_ = nullptr;
  std::uint32_t frames_ = 0;  // whole frames in the block

  // Written by the audio thread (and by the GUI thread while no stream runs).
  std::atomic<std::uint32_t> handed_{0};  // frames of the block given to the stream
  std::atomic<double> origin_{0.0};       // stream time at which frame 0 reaches the DAC
  std::atomic<bool> finished_{false};     // heard, returned or lost; its notice is posted
  std::atomic<bool> heardAll_{false};     // heard to its last frame
  std::atomic<bool> lost_{false};         // the host ended the stream
  double endTime_ = 0;            // callback: stream time by which the last frame has played
  std::uint32_t tailFrames_ = 0;  // callback: silent frames after the block (no clock case)

  // GUI thread only.
  enum class State { Idle, Playing, Paused };
  State state_ = State::Idle;
  std::uint32_t heardFrames_ = 0;  // last answer for the current block: never decreases
  std::uint64_t baseBytes_ = 0;    // bytes of earlier blocks heard since open or Reset
};
