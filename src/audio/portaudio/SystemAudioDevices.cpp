#include "audio/portaudio/SystemAudioDevices.h"

#include "audio/portaudio/DefaultAudioDevices.h"

std::unique_ptr<DefaultAudioDevices> MakeSystemAudioDevices() {
  return std::make_unique<DefaultAudioDevices>();
}
