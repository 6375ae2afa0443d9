#pragma once
// The devices the program plays and records with: the sound card's default devices when
// the machine has any, otherwise a silent simulated device on the real clock. Nothing is
// scanned until StartProbe or the first use (DefaultAudioDevices).

#include <memory>

#include "audio/portaudio/DefaultAudioDevices.h"

std::unique_ptr<DefaultAudioDevices> MakeSystemAudioDevices();
