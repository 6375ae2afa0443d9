#include "model/Recorder.h"

#include <algorithm>
#include <cstring>

Recorder::Recorder(AudioDevices& devices, DeviceNoticeSink& sink)
    : devices_(devices), sink_(sink) {}

Recorder::~Recorder() {
  // A device still open goes without notices; the buffers go after it.
  in_.reset();
}

void Recorder::Release() {
  for (auto& b : buffers_) b.reset();
  for (auto& h : headers_) h.reset();
  kept_.reset();
}

void Recorder::Unprepare() {
  for (auto& h : headers_)
    if (h) in_->Unprepare(*h);
}

void Recorder::Arm() {
  in_.reset();
  Release();
  recording_ = collecting_ = inOpen_ = true;
  stopping_ = stopDone_ = false;
  armed_ = true;
}

Recorder::StartResult Recorder::Start(const WAVEFORMATEX& format, std::int32_t bufferBytes,
                                      std::int64_t ceiling) {
  using Step = StartResult::Step;
  if (!armed_) Arm();
  armed_ = false;
  bufferBytes_ = bufferBytes;

  // Anything that goes wrong from here leaves the recorder Idle with nothing held. A device
  // that was given buffers is reset before they are released, so that it holds none.
  auto abandon = [this](Step step, DeviceResult r = {}) {
    if (in_) {
      in_->Reset();
      Unprepare();
      in_->Close();
      in_.reset();
    }
    Release();
    recording_ = collecting_ = inOpen_ = false;
    return StartResult{step, std::move(r)};
  };

  for (auto& b : buffers_) {
    b = AllocBytes(std::size_t(std::max(bufferBytes, 0)));
    if (!b) return abandon(Step::NoBufferMemory);
  }
  for (auto& h : headers_) {
    h = HeapPtr<WAVEHDR>(static_cast<WAVEHDR*>(Heap::Alloc(sizeof(WAVEHDR))));
    if (!h) return abandon(Step::NoHeaderMemory);
  }
  if (DeviceResult r = devices_.OpenIn(format, sink_, in_); !r.ok() || !in_) {
    in_.reset();
    return abandon(Step::Open, r.ok() ? DeviceResult::Error(-1, "The device did not open.") : r);
  }
  for (int k = 0; k < kBuffers; ++k) {
    *headers_[k] = WAVEHDR{};
    headers_[k]->lpData = buffers_[k].get();
    headers_[k]->dwBufferLength = std::uint32_t(bufferBytes);
  }
  for (auto& h : headers_)
    if (DeviceResult r = in_->Prepare(*h); !r.ok()) return abandon(Step::Prepare, r);
  for (auto& h : headers_)
    if (DeviceResult r = in_->AddBuffer(*h); !r.ok()) return abandon(Step::Add, r);
  kept_.emplace(ceiling, format.nBlockAlign);
  if (DeviceResult r = in_->Start(); !r.ok()) return abandon(Step::Start, r);
  return {};
}

Recorder::Data Recorder::RequestStop() {
  recording_ = false;
  stopping_ = true;
  const bool returned = !in_ || in_->Reset().ok();
  CloseIn();  // closing the device object stops it also when it kept the buffers
  if (returned) return {};
  Data d = Finish();
  stopping_ = stopDone_ = false;
  return d;
}

Recorder::Data Recorder::Finish() {
  Data d;
  d.kind = Data::Kind::Finished;
  if (kept_) {
    d.size = std::int32_t(kept_->Size());
    d.sound = kept_->Finish();
  }
  kept_.reset();
  d.header = std::move(headers_[0]);
  if (!d.header) d.header = HeapPtr<WAVEHDR>(static_cast<WAVEHDR*>(Heap::Alloc(sizeof(WAVEHDR))));
  if (d.header) *d.header = WAVEHDR{};
  stopDone_ = true;
  return d;
}

void Recorder::CloseIn() {
  if (in_) {
    if (!stopping_) in_->Reset();  // a device closed mid-recording must hold no buffer
    Unprepare();
    in_->Close();
    in_.reset();
  }
  inOpen_ = false;
  collecting_ = false;
  // The first header goes on as the sound's playback header at the finish; the buffers and
  // the other headers are done with.
  for (auto& b : buffers_) b.reset();
  for (int k = 1; k < kBuffers; ++k) headers_[k].reset();
  if (!stopping_) {
    headers_[0].reset();
    kept_.reset();
    recording_ = false;
  }
}

Recorder::Data Recorder::OnInputData(WAVEHDR* hdr, std::size_t frameBytes) {
  Data d;
  if (stopping_) {
    if (stopDone_) {
      stopping_ = stopDone_ = false;
      d.kind = Data::Kind::StopCleared;
      return d;
    }
    // The finish. The bytes of this buffer came after the stop request: not collected.
    return Finish();
  }
  const bool ours = std::any_of(headers_.begin(), headers_.end(),
                                [hdr](const HeapPtr<WAVEHDR>& h) { return h.get() == hdr; });
  if (!collecting_ || !ours || !in_ || !kept_) return d;
  const std::uint32_t n = std::min(hdr->dwBytesRecorded, hdr->dwBufferLength);
  if (!kept_->Append(hdr->lpData, n)) {
    d.kind = Data::Kind::OutOfMemory;  // not handed back: the stop follows
    return d;
  }
  const std::size_t copy = std::min<std::size_t>(frameBytes, n);
  d.frame.assign(hdr->lpData, hdr->lpData + copy);
  in_->AddBuffer(*hdr);
  d.kind = Data::Kind::Collected;
  return d;
}
