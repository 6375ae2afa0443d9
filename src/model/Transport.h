#pragma once
// Playback of the held sound through one output device, as a state machine the main window
// drives and whose outcomes it shows.
//
// One device per sound: OpenOut opens it for the document's format as soon as a sound is
// held, and an open device is the sign that a playable sound is held. One block per
// playback: Start hands the device the rest of the sound from PlayPos to the end under the
// document's one header. After every playback, ended or stopped, the device is reset,
// closed and opened again, so that its position counts from 0 for the next one.
//
// Late notices. Every written block brings exactly one completion notice, handled later on
// the GUI thread, possibly after the playback it belongs to was stopped and a new one
// started. The transport counts the notices still owed for blocks it gave up (by a stop or
// a close) and lets them pass without effect, so a late one can never end a newer
// playback.
//
// Loss. A device that loses its sound server says so before it returns its block; the
// transport then ends the playback and holds no device. The held sound stays playable:
// the window opens a device again at the next PLAY.
//
// The 200 ms timer is the window's; TimerWanted() says whether it should run, and the
// window brings its timer in line after every call, before it shows any box (a box runs a
// nested event loop in which the timer would otherwise tick into a closed device).
//
// Threads: GUI thread only. The device posts to the sink from any thread; the window
// hands each notice to OnOutputDone on the GUI thread.

#include <cstdint>
#include <memory>
#include <optional>

#include "audio/AudioDevices.h"
#include "base/wavetypes.h"

class SoundDocument;

class Transport {
public:
  Transport(AudioDevices& devices, DeviceNoticeSink& sink, SoundDocument& sound);
  ~Transport();
  Transport(const Transport&) = delete;
  Transport& operator=(const Transport&) = delete;

  bool OutDeviceOpen() const { return outOpen_; }
  bool Playing() const { return playing_; }
  bool TimerWanted() const { return timerOn_; }
  // Byte offset of the first byte shown and the start of the next playback.
  std::int32_t PlayPos() const { return playPos_; }
  void SetPlayPos(std::int32_t pos) { playPos_ = pos; }

  // Opens the device for the document's format. On refusal no device is held and the
  // result carries the device's text (the window's "ERROR" box).
  DeviceResult OpenOut();
  // Gives the device up: reset, unprepare, close (results ignored). Playing and the timer
  // stay as they are (callers stop first).
  void CloseOut();

  // Starts playing the document from PlayPos to its end; `use` lets the device choose its
  // buffering (a note must be heard at once, a long sound wants few wake-ups). Which step
  // a refusal came from decides nothing but the box; after either, the device is closed.
  struct StartResult {
    enum class Step : std::uint8_t { Done, Prepare, Write } step = Step::Done;
    DeviceResult device;
    bool ok() const { return step == Step::Done; }
  };
  StartResult Start(PlaybackUse use = PlaybackUse::Sound);
  // Ends the playback now and opens a fresh device; returns that open's result.
  DeviceResult Stop();

  // A completion notice.
  struct Done {
    enum class Kind : std::uint8_t {
      Stale,     // owed for a block given up earlier: no effect
      Returned,  // a block that a stop returned early: PlayPos stays where the stop left it
      Ended,     // the playback ran out: PlayPos is 0 and a fresh device is open
    } kind = Kind::Stale;
    std::optional<std::int32_t> thumb;  // where the play bar goes
    bool positionFailed = false;        // the position query failed ("error" / "time")
    DeviceResult reopen;                // Ended: the fresh device's open
  };
  Done OnOutputDone();

  // The device reported its loss (the sound server went away). A playback ends where it
  // was heard, as a stop leaves it, and the device is given up without opening another:
  // the server is gone, and PLAY opens one again once it is back. The block's own notice
  // that follows is stale. True when a playback was ended.
  bool OnOutputLost();

  // A tick of the follow timer.
  struct TickSettings {
    std::uint32_t fftSize = 512;         // frames per view window
    std::uint32_t recBits = 8;           // settings for new sound: they, not the held
    std::uint32_t recSampleRate = 8000;  // format, set the alignment and the look-ahead
    int intervalMs = 200;
  };
  struct Tick {
    bool positionFailed = false;           // the timer has stopped; show "error" / "time"
    std::uint32_t cur = 0;                 // the byte sounding now, aligned to the sample
    std::optional<std::uint32_t> paintAt;  // the window to draw: one timer period ahead
    bool ended = false;                    // cur reached the end: the timer has stopped
  };
  Tick OnTick(const TickSettings& settings);

private:
  void GiveUpBlock();           // the current block's notice will come late
  void ShutDevice(bool pause);  // [pause,] reset, unprepare, close; no device afterwards

  AudioDevices& devices_;
  DeviceNoticeSink& sink_;
  SoundDocument& sound_;
  std::unique_ptr<WaveOutDevice> out_;
  bool outOpen_ = false;
  bool playing_ = false;
  bool timerOn_ = false;
  std::int32_t playPos_ = 0;
  MMTIME playTime_;  // the last position answer; cb is bytes of the block played
  // blockOwed_: the current device's block has not had its notice handled yet.
  // staleNotices_: notices still to come for blocks given up by a stop or a close.
  bool blockOwed_ = false;
  int staleNotices_ = 0;
};
