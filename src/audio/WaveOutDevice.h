#pragma once
// An open playback device. Every call is made on the GUI thread and returns at once;
// none waits for sound to play. Destroying the object closes the device.
//
// Contract the transport relies on:
//  - one prepared block is played from its first byte to its last;
//  - GetPosition answers in bytes of the written block that have become audible (not
//    merely buffered) since the device was opened;
//  - after the block has played, or after Reset has returned it, exactly one
//    PostOutputDone reaches the sink;
//  - Pause and Reset return at once; Reset stops the sound and returns the block.

#include "audio/DeviceResult.h"
#include "base/wavetypes.h"

class WaveOutDevice {
public:
  virtual ~WaveOutDevice() = default;
  virtual DeviceResult Prepare(WAVEHDR& hdr) = 0;
  virtual DeviceResult Unprepare(WAVEHDR& hdr) = 0;
  virtual DeviceResult Write(WAVEHDR& hdr) = 0;
  virtual DeviceResult GetPosition(MMTIME& time) = 0;
  virtual DeviceResult Pause() = 0;
  virtual DeviceResult Reset() = 0;
  virtual DeviceResult Close() = 0;
};
