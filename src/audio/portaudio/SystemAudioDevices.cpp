#include "audio/portaudio/SystemAudioDevices.h"

#include "audio/portaudio/DefaultAudioDevices.h"

std::unique_ptr<AudioDevices> MakeSystemAudioDevices() {
  return std::make_unique<DefaultAudioDevices>();
}
