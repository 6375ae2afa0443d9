#pragma once
// What the PortAudio capture and playback devices share: the session they keep alive, the
// stream's format and buffering, where notices go, the stream handle, and opening,
// stopping and closing the stream, with the stream-finished hook that tells a stream the
// host ended (the sound server died) from one this side stopped.
//
// Threads: everything here is for the GUI thread, except format_ and sink_, which the
// device's callbacks also use on PortAudio's audio thread (format_ is only read there, and
// only changes while no stream runs), and the atomics. StopStream returns once the
// callback has ended; after it the GUI thread may touch everything the callback used.

#include <portaudio.h>

#include <atomic>
#include <memory>
#include <utility>

#include "audio/DeviceNoticeSink.h"
#include "audio/WaveOutDevice.h"
#include "audio/portaudio/PortAudioFormat.h"

class PortAudioSession;

// The length of a stream's callback buffers and the latency asked for, in frames and
// seconds. Long buffers cost few wake-ups (of this program and of the sound server);
// short ones let a note be heard at once. The position never depends on them: it follows
// the stream clock.
struct StreamBuffering {
  unsigned long framesPerBuffer = 0;
  double latency = 0;

  // Seconds. A held sound is queued whole and its start is primed from the callback, so a
  // long period costs only the end notice's delay (at most one period after the last frame
  // is heard). Capture stays shorter: its buffers feed the live views.
  static constexpr double kSoundPeriod = 0.25;   // playing a held sound
  static constexpr double kCapturePeriod = 0.1;  // recording
  static constexpr double kNotePeriod = 0.005;   // the mixer's notes
  static StreamBuffering For(double rate, PlaybackUse use);
  static StreamBuffering ForCapture(double rate);
};

class PortAudioStream {
public:
  PortAudioStream(const PortAudioStream&) = delete;
  PortAudioStream& operator=(const PortAudioStream&) = delete;

protected:
  enum class Direction { Input, Output };

  PortAudioStream(std::shared_ptr<PortAudioSession> session, const PortAudioFormat& format,
                  DeviceNoticeSink& sink, Direction direction, int device);
  ~PortAudioStream();  // closes the stream if it is still open

  // Builds a `Device` for PortAudio device `device` and `wave`, and lets it take the
  // device (Device::Begin, which opens or checks a stream). On failure `out` stays empty
  // and the result carries PortAudio's text. `Device` makes this class a friend and is
  // built from (session, format, sink, device).
  template <class Device, class Interface>
  static DeviceResult OpenAs(std::shared_ptr<PortAudioSession> session, int device,
                             const WAVEFORMATEX& wave, DeviceNoticeSink& sink,
                             std::unique_ptr<Interface>& out) {
    PortAudioFormat format;
    if (DeviceResult r = Check(session, wave, format); !r.ok()) return r;
    std::unique_ptr<Device> dev(new Device(std::move(session), format, sink, device));
    if (DeviceResult r = dev->Begin(); !r.ok()) return r;
    out = std::move(dev);
    return DeviceResult::Ok();
  }

  // Whether the device takes the format, without opening a stream (8-bit samples fall
  // back to paInt8 as in OpenStream).
  DeviceResult CheckSupported(const StreamBuffering& buffering);
  // Opens, without starting, a stream with `buffering` whose callbacks get `user`; the
  // stream-finished callback, on the audio thread, calls `finished(user)`.
  DeviceResult OpenStream(PaStreamCallback* callback, void (*finished)(void*), void* user,
                          const StreamBuffering& buffering);
  PaError StartStream();  // starts the open stream
  void StopStream();      // aborts the stream if it runs; the callback has then ended
  void CloseStream();     // stops and closes the stream, if one is open

  // Stream-finished callback: true when this side did not stop the stream, i.e. the host
  // ended it (a callback that ends its own stream says so with EndingItself first).
  bool EndedByHost() const { return !stopping_.load(std::memory_order_acquire); }
  void EndingItself() { stopping_.store(true, std::memory_order_release); }

  // The refusals both devices give. `held` names what is still queued, e.g. "a block".
  static DeviceResult Closed();
  static DeviceResult StillQueued(const char* held);

  std::shared_ptr<PortAudioSession> session_;
  PortAudioFormat format_;
  DeviceNoticeSink& sink_;
  PaStream* stream_ = nullptr;
  double latency_ = 0;   // seconds, the last stream's latency as PortAudio says
  bool closed_ = false;  // GUI thread: the device, not the stream

private:
  // The format as PortAudio takes it, and a working session.
  static DeviceResult Check(const std::shared_ptr<PortAudioSession>& session,
                            const WAVEFORMATEX& wave, PortAudioFormat& format);
  PaStreamParameters Parameters(const StreamBuffering& buffering) const;
  PaError TryOpen(PaStreamCallback* callback, void* user, const StreamBuffering& buffering);

  Direction direction_;
  int device_;
  std::atomic<bool> stopping_{false};  // this side is stopping the stream
};
