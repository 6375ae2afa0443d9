#include "SystemAudioDevices.h"

#include "DefaultAudioDevices.h"

std::unique_ptr<AudioDevices> MakeSystemAudioDevices() {
  return std::make_unique<DefaultAudioDevices>();
}
