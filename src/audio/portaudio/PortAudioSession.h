#pragma once
// One initialisation of the PortAudio library. The constructor quiets the sound libraries
// (QuietAudioLibraries) and calls Pa_Initialize, which opens every device to probe it and
// may take from milliseconds to seconds: construct it off the GUI thread when start-up must
// not wait. The destructor calls Pa_Terminate. The device factory and every stream it opens
// hold the session through a shared_ptr, so the library stays up until the last is gone.
//
// Construction and destruction: any one thread at a time. The queries: any thread once
// constructed (they read what PortAudio found at initialisation).

#include <string>

class PortAudioSession {
public:
  PortAudioSession();
  ~PortAudioSession();
  PortAudioSession(const PortAudioSession&) = delete;
  PortAudioSession& operator=(const PortAudioSession&) = delete;

  bool ok() const { return error_.empty(); }
  const std::string& Error() const { return error_; }  // why Pa_Initialize failed

  // PortAudio device indices of the default devices, or -1 (paNoDevice) when there are none.
  int DefaultOutput() const { return defaultOutput_; }
  int DefaultInput() const { return defaultInput_; }

  // "“name” (host API)" for a device index.
  std::string DeviceName(int device) const;
  // The library's version line, e.g. "PortAudio V19.6.0-devel, revision ...".
  std::string Version() const;

private:
  std::string error_;
  int defaultOutput_ = -1;
  int defaultInput_ = -1;
};
