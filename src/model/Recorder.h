#pragma once
// Recording from the input device into a new sound, as a state machine the main window
// drives and whose outcomes it shows.
//
// Four capture buffers of one size circulate between the device and the recorder; each
// filled buffer is appended to the recording and handed straight back. Stopping takes two
// steps: RequestStop resets and closes the device, and the buffers that the reset returns
// then finish the recording (the first notice) and clear the stop (the second); later
// ones are ignored. Sound returned after the stop request is not collected.
//
//   state           Recording  Collecting  Stopping  StopDone
//   Idle            false      false       false     false
//   Collecting      true       true        false     false
//   Stop requested  false      false       true      false
//   Finished        false      false       true      true
//
// Notices name their buffer by header address only. The recorder reads a buffer only
// while collecting and only when the header is one of its own four, so a notice that
// arrives after the buffers were released is never dereferenced.
//
// Threads: GUI thread only. The device posts to the sink from its own thread; the window
// hands each notice to OnInputData on the GUI thread.

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "audio/AudioDevices.h"
#include "base/HeapPtr.h"
#include "base/wavetypes.h"
#include "model/RecordingBuffer.h"

class Recorder {
public:
  static constexpr int kBuffers = 4;

  Recorder(AudioDevices& devices, DeviceNoticeSink& sink);
  ~Recorder();
  Recorder(const Recorder&) = delete;
  Recorder& operator=(const Recorder&) = delete;

  bool Recording() const { return recording_; }
  bool Collecting() const { return collecting_; }
  bool Stopping() const { return stopping_; }
  bool StopDone() const { return stopDone_; }
  bool InDeviceOpen() const { return inOpen_; }
  std::int32_t BufferBytes() const { return bufferBytes_; }
  std::int64_t Collected() const { return kept_ ? kept_->Size() : 0; }

  // The first step of a start: from now on the recorder counts as recording (the window's
  // other commands are refused), before the device is asked for anything.
  void Arm();
  // Starts a recording in `format` with buffers of `bufferBytes` (> 0), keeping at most
  // `ceiling` bytes (arms first if Arm was not called). On any refusal everything is
  // released, the device closed and the recorder is Idle again.
  struct StartResult {
    enum class Step : std::uint8_t {
      Done,
      NoBufferMemory,  // "No pwavedata"
      NoHeaderMemory,  // "No pwaveheader"
      Open,
      Prepare,
      Add,
      Start,  // the device's text
    } step = Step::Done;
    DeviceResult device;
    bool ok() const { return step == Step::Done; }
  };
  StartResult Start(const WAVEFORMATEX& format, std::int32_t bufferBytes, std::int64_t ceiling);

  // A buffer notice, or a recording finished at once (below).
  struct Data;
  // Requests the stop: the device is reset (it returns every queued buffer, each with a
  // notice still to come) and closed; the notices then finish the recording. A device
  // that refuses the reset returns nothing and no notice will finish it: the recording is
  // then finished here from what was collected, and the result is that Finished (the
  // recorder is Idle); otherwise the result is Ignored.
  Data RequestStop();
  // Gives the device up. While a stop is pending it also releases the capture buffers and
  // ends the collecting; otherwise it only closes.
  void CloseIn();

  struct Data {
    enum class Kind : std::uint8_t {
      Ignored,      // no recording wants it
      Collected,    // appended and handed back: draw `frame`, update the readout
      OutOfMemory,  // the recording could not grow: "No pwavedata", then RequestStop
      Finished,     // the recording is done: `sound` (may be empty), `size`, `header`
      StopCleared,  // the notice after the finish: the recorder is Idle
    } kind = Kind::Ignored;
    std::vector<std::uint8_t> frame;  // Collected: a copy of the buffer's first bytes
    HeapBytes sound;
    std::int32_t size = 0;
    HeapPtr<WAVEHDR> header;
  };
  // `frameBytes`: how many leading bytes of a collected buffer the live views draw.
  Data OnInputData(WAVEHDR* hdr, std::size_t frameBytes);

private:
  void Release();  // buffers, headers, the recording
  Data Finish();   // the collected bytes as the recording, with the first header
  void Unprepare();

  AudioDevices& devices_;
  DeviceNoticeSink& sink_;
  std::unique_ptr<WaveInDevice> in_;
  std::array<HeapBytes, kBuffers> buffers_;
  std::array<HeapPtr<WAVEHDR>, kBuffers> headers_;
  std::optional<RecordingBuffer> kept_;
  std::int32_t bufferBytes_ = 0;
  bool recording_ = false, collecting_ = false, stopping_ = false, stopDone_ = false;
  bool inOpen_ = false;
  bool armed_ = false;
};
