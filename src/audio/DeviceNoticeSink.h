#pragma once
// Where devices post their notices. Post* may be called from any thread, the audio
// thread included: implementations must not allocate, lock or call into a toolkit.
// The notices are handled later on the GUI thread, in turn with its other events,
// never inside the call that caused them.

struct WAVEHDR;

class DeviceNoticeSink {
public:
  virtual ~DeviceNoticeSink() = default;
  // The written playback block has played to its end, or was returned by a reset.
  virtual void PostOutputDone() noexcept = 0;
  // A capture buffer was filled, or returned by a reset; hdr->dwBytesRecorded tells how
  // many bytes it holds.
  virtual void PostInputData(WAVEHDR* hdr) noexcept = 0;
};
