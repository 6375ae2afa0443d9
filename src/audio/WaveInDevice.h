#pragma once
// An open capture device. Every call is made on the GUI thread and returns at once.
// Destroying the object closes the device.
//
// Contract the recorder relies on:
//  - added buffers are filled in the order they were added;
//  - one PostInputData per filled or returned buffer, carrying its header with
//    dwBytesRecorded set;
//  - Reset stops capture and returns every queued buffer, the partly filled one included.
//
// Loss: when the device goes away (the sound server dies, the card is unplugged) it posts
// PostInputLost once and fills nothing more. The buffers stay queued, the partly filled
// one with what it holds, until Reset returns them as always (the recorder's stop request
// then finishes the recording with what was collected); AddBuffer still queues, Start
// refuses.

#include "audio/DeviceResult.h"
#include "base/wavetypes.h"

class WaveInDevice {
public:
  virtual ~WaveInDevice() = default;
  virtual DeviceResult Prepare(WAVEHDR& hdr) = 0;
  virtual DeviceResult Unprepare(WAVEHDR& hdr) = 0;
  virtual DeviceResult AddBuffer(WAVEHDR& hdr) = 0;
  virtual DeviceResult Start() = 0;
  virtual DeviceResult Reset() = 0;
  virtual DeviceResult Close() = 0;
};
