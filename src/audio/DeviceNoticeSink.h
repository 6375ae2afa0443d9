#pragma once
// Where devices post their notices. Post* may be called from any thread, the audio
// thread included: implementations must not allocate, lock or call into a toolkit.
// The notices are handled later on the GUI thread, in turn with its other events,
// never inside the call that caused them.

struct WAVEHDR;

class DeviceNoticeSink {
public:
  virtual ~DeviceNoticeSink() = default;
  // The written playback block has played to its end, or was returned by a reset or by
  // the loss of the device.
  virtual void PostOutputDone() noexcept = 0;
  // A capture buffer was filled, or returned by a reset; hdr->dwBytesRecorded tells how
  // many bytes it holds.
  virtual void PostInputData(WAVEHDR* hdr) noexcept = 0;
  // The playback or capture device was lost: the sound server went away, or the card.
  // At most once per open device, before any notice the loss itself causes. What the
  // device does with the blocks it holds is part of WaveOutDevice's and WaveInDevice's
  // contracts. A sink that has no use for these may leave them as they are.
  virtual void PostOutputLost() noexcept {}
  virtual void PostInputLost() noexcept {}
};
