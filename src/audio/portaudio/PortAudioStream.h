#pragma once
// What the PortAudio capture and playback devices share: the session they keep alive, the
// stream's format, where notices go, the stream handle, and opening, stopping and closing
// the stream. Each device adds its own callback, state and wave calls.
//
// Threads: everything here is for the GUI thread, except format_ and sink_, which the
// device's callback also uses on PortAudio's audio thread (format_ is only read there, and
// only changes before the stream first starts). StopStream returns once the callback has
// ended; after it the GUI thread may touch everything the callback used.

#include <portaudio.h>

#include <memory>
#include <utility>

#include "audio/portaudio/PortAudioFormat.h"
#include "audio/DeviceNoticeSink.h"

class PortAudioSession;

class PortAudioStream {
 public:
  PortAudioStream(const PortAudioStream&) = delete;
  PortAudioStream& operator=(const PortAudioStream&) = delete;

 protected:
  enum class Direction { Input, Output };

  PortAudioStream(std::shared_ptr<PortAudioSession> session, const PortAudioFormat& format,
                  DeviceNoticeSink& sink, Direction direction);
  ~PortAudioStream();  // closes the stream if it is still open

  // Opens, without starting, a stream of a `Device` on PortAudio device `device` for `wave`.
  // On failure `out` stays empty and the result carries PortAudio's text. `Device` makes
  // this class a friend, is built from (session, format, sink) and has a static
  // PaStreamCallback `Callback`, which gets the Device* as its user data.
  template <class Device, class Interface>
  static DeviceResult OpenAs(std::shared_ptr<PortAudioSession> session, int device,
                             const WAVEFORMATEX& wave, DeviceNoticeSink& sink,
                             std::unique_ptr<Interface>& out) {
    PortAudioFormat format;
    if (DeviceResult r = Check(session, wave, format); !r.ok()) return r;
    std::unique_ptr<Device> dev(new Device(std::move(session), format, sink));
    if (DeviceResult r = dev->OpenStream(device, &Device::Callback, dev.get()); !r.ok())
      return r;
    out = std::move(dev);
    return DeviceResult::Ok();
  }

  void StopStream();   // aborts the stream if it runs; the callback has then ended
  void CloseStream();  // stops and closes the stream; the device is closed from then on

  // The refusals both devices give. `held` names what is still queued, e.g. "a block".
  static DeviceResult Closed();
  static DeviceResult StillQueued(const char* held);

  std::shared_ptr<PortAudioSession> session_;
  PortAudioFormat format_;
  DeviceNoticeSink& sink_;
  PaStream* stream_ = nullptr;
  double latency_ = 0;   // seconds, the stream's latency in its direction as PortAudio says
  bool closed_ = false;  // GUI thread

 private:
  // The format as PortAudio takes it, and a working session.
  static DeviceResult Check(const std::shared_ptr<PortAudioSession>& session,
                            const WAVEFORMATEX& wave, PortAudioFormat& format);
  // Opens the stream, trying 8-bit samples as paInt8 when the host refuses paUInt8.
  DeviceResult OpenStream(int device, PaStreamCallback* callback, void* user);
  PaError TryOpen(int device, PaStreamCallback* callback, void* user);

  Direction direction_;
};
