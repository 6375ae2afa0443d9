#include "model/SoundDocument.h"

#include <utility>

#include "files/FileByteSource.h"
#include "files/WaveReader.h"

const SoundDocument::Block* SoundDocument::Find(Handle h) const {
  if (h.id == 0) return nullptr;
  for (const Block* b : {&own_, &mix_})
    if (b->id == h.id && b->data) return b;
  return nullptr;
}

const std::uint8_t* SoundDocument::Resolve(Handle h) const {
  const Block* b = Find(h);
  return b ? b->data.get() : nullptr;
}

std::int32_t SoundDocument::SizeOf(Handle h) const {
  const Block* b = Find(h);
  return b ? b->size : 0;
}

std::span<std::uint8_t> SoundDocument::Bytes(Handle h) {
  Block* b = Find(h);
  if (!b || b->size <= 0) return {};
  return {b->data.get(), static_cast<std::size_t>(b->size)};
}

std::optional<SoundView> SoundDocument::View(Handle h, std::int64_t offset, int frames) const {
  const Block* b = Find(h);
  if (!b) return std::nullopt;
  return SoundView{b->data.get(),          b->size, format_.nChannels,
                   format_.wBitsPerSample, offset,  frames};
}

SoundView SoundDocument::ViewShown(std::int64_t offset, int frames) const {
  const Block& b = Shown();
  return SoundView{b.data.get(), b.size, format_.nChannels, format_.wBitsPerSample, offset, frames};
}

WAVEHDR* SoundDocument::HeaderFrom(std::int32_t offset) {
  Block& b = Shown();
  if (!header_ || !b.data || offset < 0 || offset >= b.size) return nullptr;
  header_->dwFlags = 0;
  header_->dwLoops = 0;
  header_->lpData = b.data.get() + offset;
  header_->dwBufferLength = static_cast<std::uint32_t>(b.size - offset);
  return header_.get();
}

HeapPtr<WAVEHDR> SoundDocument::NewHeader() {
  HeapPtr<WAVEHDR> h(static_cast<WAVEHDR*>(Heap::Alloc(sizeof(WAVEHDR))));
  if (h) *h = WAVEHDR{};
  return h;
}

void SoundDocument::Adopt(HeapBytes block, std::int32_t size, HeapPtr<WAVEHDR> header) {
  Free();
  own_ = Block{std::move(block), size, NextId()};
  shown_ = Slot::Own;
  header_ = std::move(header);
}

void SoundDocument::Free() {
  // The shown size stays what it was; the blocks and their handles go.
  const std::int32_t keep = Size();
  own_ = Block{nullptr, keep, 0};
  mix_ = Block{};
  shown_ = Slot::Own;
  header_.reset();
}

void SoundDocument::SetEmptySize(std::int32_t size) {
  if (!own_.data && !mix_.data) own_.size = size;
}

bool SoundDocument::Resize(Handle h, std::int32_t size) {
  Block* b = Find(h);
  if (!b || size < 0) return false;
  void* grown = Heap::Realloc(b->data.get(), static_cast<std::size_t>(size));
  if (!grown) return false;
  (void)b->data.release();  // Realloc has taken the old block over
  b->data.reset(static_cast<std::uint8_t*>(grown));
  b->size = size;
  return true;
}

bool SoundDocument::Show(Handle h) {
  const Block* b = Find(h);
  if (!b) return false;
  shown_ = b == &own_ ? Slot::Own : Slot::Mix;
  return true;
}

bool SoundDocument::AddMixBlock(std::int32_t size) {
  HeapBytes block = AllocBytes(static_cast<std::size_t>(size < 0 ? 0 : size));
  if (!block) return false;
  // The shown block is the one analysed: it waits aside; the other one goes.
  if (shown_ == Slot::Mix) own_ = std::move(mix_);
  mix_ = Block{std::move(block), size, NextId()};
  shown_ = Slot::Mix;
  return true;
}

void SoundDocument::DropMixBlock() {
  mix_ = Block{};
  shown_ = Slot::Own;
}

WaveReadStatus SoundDocument::Append(ByteSource& source, const ProgressCallback& progress) {
  Block& b = Shown();
  WaveReader::HeldSound held{std::move(b.data), b.size, format_};
  const WaveReadStatus status = WaveReader::Append(source, held, progress);
  b.data = std::move(held.data);
  if (status == WaveReadStatus::Ok) {
    b.size = held.size;
    format_ = held.format;
  }
  return status;
}

WaveReadStatus SoundDocument::Append(const std::string& path, const ProgressCallback& progress) {
  const auto source = FileByteSource::Open(path);
  if (!source) return WaveReadStatus::NoFile;
  return Append(*source, progress);
}

void SoundDocument::UndoAppend(std::int32_t size, const WAVEFORMATEX& format) {
  Block& b = Shown();
  if (size < 0 || size > b.size) return;
  // A shrink the allocator refuses keeps the longer block; its first bytes are the same.
  if (size > 0) {
    if (void* smaller = Heap::Realloc(b.data.get(), static_cast<std::size_t>(size))) {
      (void)b.data.release();
      b.data.reset(static_cast<std::uint8_t*>(smaller));
    }
  }
  b.size = size;
  format_ = format;
}
