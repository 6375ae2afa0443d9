#include "audio/portaudio/PortAudioStream.h"

#include <string>

#include "audio/portaudio/PortAudioSession.h"

PortAudioStream::PortAudioStream(std::shared_ptr<PortAudioSession> session,
                                 const PortAudioFormat& format, DeviceNoticeSink& sink,
                                 Direction direction)
    : session_(std::move(session)), format_(format), sink_(sink), direction_(direction) {}

PortAudioStream::~PortAudioStream() { CloseStream(); }

DeviceResult PortAudioStream::Check(const std::shared_ptr<PortAudioSession>& session,
                                    const WAVEFORMATEX& wave, PortAudioFormat& format) {
  if (DeviceResult r = PortAudioFormat::From(wave, format); !r.ok()) return r;
  if (!session || !session->ok()) return PortAudioError(paNotInitialized);
  return DeviceResult::Ok();
}

DeviceResult PortAudioStream::OpenStream(int device, PaStreamCallback* callback, void* user) {
  PaError error = TryOpen(device, callback, user);
  if (error == paSampleFormatNotSupported && format_.sampleFormat == paUInt8) {
    format_ = format_.Signed8();
    error = TryOpen(device, callback, user);
  }
  if (error != paNoError) return PortAudioError(error);
  return DeviceResult::Ok();
}

PaError PortAudioStream::TryOpen(int device, PaStreamCallback* callback, void* user) {
  const PaDeviceInfo* info = Pa_GetDeviceInfo(device);
  if (!info) return paInvalidDevice;
  const bool input = direction_ == Direction::Input;
  PaStreamParameters params{};
  params.device = device;
  params.channelCount = format_.channels;
  params.sampleFormat = format_.sampleFormat;
  // The high latency: underruns are worse than a later start, and the playback position
  // does not depend on it (it follows the DAC times).
  params.suggestedLatency = input ? info->defaultHighInputLatency : info->defaultHighOutputLatency;
  const PaError error = Pa_OpenStream(&stream_, input ? &params : nullptr,
                                      input ? nullptr : &params, format_.rate,
                                      paFramesPerBufferUnspecified, paClipOff | paDitherOff,
                                      callback, user);
  if (error != paNoError) {
    stream_ = nullptr;
    return error;
  }
  if (const PaStreamInfo* stream = Pa_GetStreamInfo(stream_))
    latency_ = input ? stream->inputLatency : stream->outputLatency;
  return paNoError;
}

void PortAudioStream::StopStream() {
  if (stream_ && Pa_IsStreamStopped(stream_) == 0) Pa_AbortStream(stream_);
}

void PortAudioStream::CloseStream() {
  closed_ = true;
  if (!stream_) return;
  StopStream();
  Pa_CloseStream(stream_);
  stream_ = nullptr;
}

DeviceResult PortAudioStream::Closed() {
  return DeviceResult::Error(PortAudioDeviceCode::kClosed,
                             "The sound device has already been closed.");
}

DeviceResult PortAudioStream::StillQueued(const char* held) {
  return DeviceResult::Error(PortAudioDeviceCode::kStillQueued,
                             std::string("The device still holds ") + held + "; reset it first.");
}
