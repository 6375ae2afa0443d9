#pragma once
// The devices the program plays and records with: the sound card's default devices when
// the machine has any, otherwise a silent simulated device on the real clock.

#include <memory>

#include "audio/AudioDevices.h"

std::unique_ptr<AudioDevices> MakeSystemAudioDevices();
