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
//
// Cost: an open device that plays nothing holds no stream of the sound system (neither
// the program nor the sound server wakes for it); the stream exists from a Write until
// the block has been heard, paused or reset.
//
// Loss: when the device goes away (the sound server dies, the card is unplugged) it posts
// PostOutputLost once, then returns the block it was playing with its one PostOutputDone;
// GetPosition keeps answering what had been heard by then. The object stays usable:
// Reset, Unprepare and Close succeed; a later Write tries the sound system afresh and
// answers with its refusal while it is still gone.

#include <cstdint>

#include "audio/DeviceResult.h"
#include "base/wavetypes.h"

// What the blocks written from now on are for. The device chooses its buffering by it and
// nothing else: the contract above holds for both.
enum class PlaybackUse : std::uint8_t {
  Sound,  // a held sound played from the cursor on: long buffers, few wake-ups
  Note,   // the mixer's notes: a key must be heard within about 10 ms
};

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
  // Applies from the next Write; Sound until told otherwise. A device whose buffering
  // does not matter ignores it.
  virtual void SetUse(PlaybackUse) {}
};
