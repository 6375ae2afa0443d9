#include "audio/portaudio/DefaultAudioDevices.h"

#include <cstdio>
#include <system_error>
#include <utility>

#include "audio/SimulatedDevices.h"
#include "audio/portaudio/PortAudioDevices.h"

namespace {
std::string SimulatedPart(bool output, bool input) {
  if (!output && !input) return "playback and recording are simulated and silent";
  return output ? "recording is simulated and silent" : "playback is simulated and silent";
}
}  // namespace

DefaultAudioDevices::DefaultAudioDevices() : DefaultAudioDevices(&ProbePortAudio) {}

DefaultAudioDevices::DefaultAudioDevices(Probe probe) : probe_(std::move(probe)) {}

DefaultAudioDevices::~DefaultAudioDevices() {
  if (thread_.joinable()) thread_.join();
}

void DefaultAudioDevices::StartProbe() {
  if (probed_ || thread_.joinable()) return;
  try {
    thread_ = std::thread([this] { found_ = RunProbe(probe_); });
  } catch (const std::system_error&) {
    // No thread to spare: the probe runs when a device is first needed.
  }
}

DefaultAudioDevices::Found DefaultAudioDevices::RunProbe(const Probe& probe) {
  Found found = probe();
  if (const std::string line = Notice(found); !line.empty())
    std::fprintf(stderr, "kelvor: %s\n", line.c_str());
  return found;
}

DefaultAudioDevices::Found DefaultAudioDevices::ProbePortAudio() {
  Found found;
  auto devices = std::make_unique<PortAudioDevices>();
  found.error = devices->InitError();
  found.output = devices->HasOutput();
  found.input = devices->HasInput();
  found.system = devices->System();
  found.outputName = devices->OutputName();
  found.inputName = devices->InputName();
  if (found.output || found.input) found.devices = std::move(devices);
  return found;
}

std::string DefaultAudioDevices::Notice(const Found& found) {
  if (found.output && found.input) return {};
  std::string what;
  if (!found.output && !found.input)
    what = "no sound device found";
  else
    what = found.output ? "no sound input device found" : "no sound output device found";
  if (!found.error.empty()) what += " (" + found.error + ")";
  return what + "; " + SimulatedPart(found.output, found.input) + ".";
}

void DefaultAudioDevices::AwaitProbe() const {
  if (probed_) return;
  if (thread_.joinable())
    thread_.join();
  else
    found_ = RunProbe(probe_);
  probed_ = true;
  if (!found_.output || !found_.input)
    simulated_ = std::make_unique<SimulatedDevices>(SimClockMode::Real, Description());
}

bool DefaultAudioDevices::RealOutput() const {
  AwaitProbe();
  return found_.output && found_.devices;
}

bool DefaultAudioDevices::RealInput() const {
  AwaitProbe();
  return found_.input && found_.devices;
}

DeviceResult DefaultAudioDevices::OpenOut(const WAVEFORMATEX& format, DeviceNoticeSink& sink,
                                          std::unique_ptr<WaveOutDevice>& out) {
  if (RealOutput()) return found_.devices->OpenOut(format, sink, out);
  return simulated_->OpenOut(format, sink, out);
}

DeviceResult DefaultAudioDevices::OpenIn(const WAVEFORMATEX& format, DeviceNoticeSink& sink,
                                         std::unique_ptr<WaveInDevice>& out) {
  if (RealInput()) return found_.devices->OpenIn(format, sink, out);
  return simulated_->OpenIn(format, sink, out);
}

std::string DefaultAudioDevices::Description() const {
  AwaitProbe();
  const Found& f = found_;
  if (f.output && f.input) return f.system + ": output " + f.outputName + ", input " + f.inputName;
  if (f.output)
    return f.system + ": output " + f.outputName + "; no input device, " +
           SimulatedPart(true, false);
  if (f.input)
    return f.system + ": input " + f.inputName + "; no output device, " +
           SimulatedPart(false, true);
  std::string line = "No sound device found";
  if (!f.error.empty()) line += " (" + f.error + ")";
  return line + ": " + SimulatedPart(false, false);
}
