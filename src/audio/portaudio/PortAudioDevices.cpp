#include "audio/portaudio/PortAudioDevices.h"

#include <portaudio.h>

#include "audio/portaudio/PortAudioFormat.h"
#include "audio/portaudio/PortAudioInDevice.h"
#include "audio/portaudio/PortAudioOutDevice.h"
#include "audio/portaudio/PortAudioSession.h"

namespace {
DeviceResult NoDevice(const char* which) {
  return DeviceResult::Error(
      paDeviceUnavailable,
      std::string(Pa_GetErrorText(paDeviceUnavailable)) + " (no default " + which + " device)");
}

// "PortAudio V19.6.0-devel, revision 396fe4b..." -> "PortAudio V19.6.0-devel"
std::string ShortVersion(std::string version) {
  if (const auto comma = version.find(','); comma != std::string::npos) version.resize(comma);
  return version;
}
}  // namespace

PortAudioDevices::PortAudioDevices() : session_(std::make_shared<PortAudioSession>()) {}

PortAudioDevices::~PortAudioDevices() = default;

bool PortAudioDevices::HasOutput() const {
  return session_->ok() && session_->DefaultOutput() != paNoDevice;
}

bool PortAudioDevices::HasInput() const {
  return session_->ok() && session_->DefaultInput() != paNoDevice;
}

const std::string& PortAudioDevices::InitError() const { return session_->Error(); }

DeviceResult PortAudioDevices::OpenOut(const WAVEFORMATEX& format, DeviceNoticeSink& sink,
                                       std::unique_ptr<WaveOutDevice>& out) {
  PortAudioFormat checked;  // a format no device can take is refused as such
  if (DeviceResult r = PortAudioFormat::From(format, checked); !r.ok()) return r;
  if (!session_->ok()) return PortAudioError(paNotInitialized);
  if (!HasOutput()) return NoDevice("output");
  return PortAudioOutDevice::Open(session_, session_->DefaultOutput(), format, sink, out,
                                  accepted_);
}

DeviceResult PortAudioDevices::OpenIn(const WAVEFORMATEX& format, DeviceNoticeSink& sink,
                                      std::unique_ptr<WaveInDevice>& out) {
  PortAudioFormat checked;
  if (DeviceResult r = PortAudioFormat::From(format, checked); !r.ok()) return r;
  if (!session_->ok()) return PortAudioError(paNotInitialized);
  if (!HasInput()) return NoDevice("input");
  return PortAudioInDevice::Open(session_, session_->DefaultInput(), format, sink, out);
}

std::string PortAudioDevices::OutputName() const {
  return HasOutput() ? session_->DeviceName(session_->DefaultOutput()) : "no device";
}

std::string PortAudioDevices::InputName() const {
  return HasInput() ? session_->DeviceName(session_->DefaultInput()) : "no device";
}

std::string PortAudioDevices::System() const { return ShortVersion(session_->Version()); }

std::string PortAudioDevices::Description() const {
  if (!session_->ok()) return "PortAudio could not start: " + session_->Error();
  return System() + ": output " + OutputName() + ", input " + InputName();
}
