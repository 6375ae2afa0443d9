#include "audio/portaudio/PortAudioStream.h"

#include <algorithm>
#include <string>

#include "audio/portaudio/PortAudioSession.h"

namespace {
StreamBuffering WithPeriod(double rate, double period) {
  StreamBuffering b;
  b.framesPerBuffer = std::max(1ul, static_cast<unsigned long>(rate * period));
  // Two buffers: one plays while the next is filled.
  b.latency = 2.0 * static_cast<double>(b.framesPerBuffer) / rate;
  return b;
}
}  // namespace

StreamBuffering StreamBuffering::For(double rate, PlaybackUse use) {
  return WithPeriod(rate, use == PlaybackUse::Note ? kNotePeriod : kSoundPeriod);
}

StreamBuffering StreamBuffering::ForCapture(double rate) {
  return WithPeriod(rate, kCapturePeriod);
}

PortAudioStream::PortAudioStream(std::shared_ptr<PortAudioSession> session,
                                 const PortAudioFormat& format, DeviceNoticeSink& sink,
                                 Direction direction, int device)
    : session_(std::move(session)),
      format_(format),
      sink_(sink),
      direction_(direction),
      device_(device) {}

PortAudioStream::~PortAudioStream() { CloseStream(); }

DeviceResult PortAudioStream::Check(const std::shared_ptr<PortAudioSession>& session,
                                    const WAVEFORMATEX& wave, PortAudioFormat& format) {
  if (DeviceResult r = PortAudioFormat::From(wave, format); !r.ok()) return r;
  if (!session || !session->ok()) return PortAudioError(paNotInitialized);
  return DeviceResult::Ok();
}

PaStreamParameters PortAudioStream::Parameters(const StreamBuffering& buffering) const {
  PaStreamParameters params{};
  params.device = device_;
  params.channelCount = format_.channels;
  params.sampleFormat = format_.sampleFormat;
  params.suggestedLatency = buffering.latency;
  return params;
}

DeviceResult PortAudioStream::CheckSupported(const StreamBuffering& buffering) {
  if (!Pa_GetDeviceInfo(device_)) return PortAudioError(paInvalidDevice);
  const bool input = direction_ == Direction::Input;
  auto supported = [&] {
    const PaStreamParameters params = Parameters(buffering);
    return Pa_IsFormatSupported(input ? &params : nullptr, input ? nullptr : &params, format_.rate);
  };
  PaError error = supported();
  if (error == paSampleFormatNotSupported && format_.sampleFormat == paUInt8) {
    format_ = format_.Signed8();
    error = supported();
  }
  return PortAudioError(error);
}

DeviceResult PortAudioStream::OpenStream(PaStreamCallback* callback, void (*finished)(void*),
                                         void* user, const StreamBuffering& buffering) {
  PaError error = TryOpen(callback, user, buffering);
  if (error == paSampleFormatNotSupported && format_.sampleFormat == paUInt8) {
    format_ = format_.Signed8();
    error = TryOpen(callback, user, buffering);
  }
  if (error == paNoError) error = Pa_SetStreamFinishedCallback(stream_, finished);
  if (error != paNoError) {
    CloseStream();
    return PortAudioError(error);
  }
  return DeviceResult::Ok();
}

PaError PortAudioStream::TryOpen(PaStreamCallback* callback, void* user,
                                 const StreamBuffering& buffering) {
  if (!Pa_GetDeviceInfo(device_)) return paInvalidDevice;
  const bool input = direction_ == Direction::Input;
  const PaStreamParameters params = Parameters(buffering);
  // Output is primed from the callback: the first buffer heard is the block's first,
  // not a buffer of silence, however long the buffers are.
  const PaStreamFlags flags =
      paClipOff | paDitherOff | (input ? 0 : paPrimeOutputBuffersUsingStreamCallback);
  const PaError error =
      Pa_OpenStream(&stream_, input ? &params : nullptr, input ? nullptr : &params, format_.rate,
                    buffering.framesPerBuffer, flags, callback, user);
  if (error != paNoError) {
    stream_ = nullptr;
    return error;
  }
  if (const PaStreamInfo* stream = Pa_GetStreamInfo(stream_))
    latency_ = input ? stream->inputLatency : stream->outputLatency;
  return paNoError;
}

PaError PortAudioStream::StartStream() {
  if (!stream_) return paBadStreamPtr;
  stopping_.store(false, std::memory_order_release);
  return Pa_StartStream(stream_);
}

void PortAudioStream::StopStream() {
  if (!stream_) return;
  stopping_.store(true, std::memory_order_release);
  if (Pa_IsStreamStopped(stream_) == 0) Pa_AbortStream(stream_);
}

void PortAudioStream::CloseStream() {
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
