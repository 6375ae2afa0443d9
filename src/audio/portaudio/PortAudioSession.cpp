#include "audio/portaudio/PortAudioSession.h"

#include <portaudio.h>

#include "audio/portaudio/QuietAudioLibraries.h"

PortAudioSession::PortAudioSession() {
  QuietAudioLibraries();
  if (const PaError error = Pa_Initialize(); error != paNoError) {
    error_ = Pa_GetErrorText(error);
    if (error_.empty()) error_ = "PortAudio could not be initialised.";
    return;
  }
  defaultOutput_ = Pa_GetDefaultOutputDevice();
  defaultInput_ = Pa_GetDefaultInputDevice();
}

PortAudioSession::~PortAudioSession() {
  if (ok()) Pa_Terminate();
}

std::string PortAudioSession::DeviceName(int device) const {
  const PaDeviceInfo* info = ok() ? Pa_GetDeviceInfo(device) : nullptr;
  if (!info) return "no device";
  std::string name = "\u201C" + std::string(info->name ? info->name : "?") + "\u201D";
  if (const PaHostApiInfo* api = Pa_GetHostApiInfo(info->hostApi); api && api->name)
    name += " (" + std::string(api->name) + ")";
  return name;
}

std::string PortAudioSession::Version() const {
  const PaVersionInfo* info = Pa_GetVersionInfo();
  return info && info->versionText ? info->versionText : "PortAudio";
}
