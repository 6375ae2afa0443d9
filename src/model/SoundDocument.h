#pragma once
// The one sound the program holds: its format record, a block of sample bytes with its
// byte count, and the playback header that goes with it. The document owns all of them;
// everyone else borrows, and reads: the only writers are the fillers below, the device
// through the playback header, and the tone mixer through Bytes() of the block it was
// given.
//
// Blocks. Normally there is one block, the sound's own. While the tone mixer rebuilds an
// analysed sound (fftmix) there is a second, the mixer's, and either of the two is the one
// shown (drawn, played, saved) while the other waits aside with its own size. Borrowers
// (painting jobs, the mixer) keep a Handle, never an address, and resolve it each time they
// use the block: the handle of a block that has been given up resolves to nothing, while a
// block that merely moved (grown by AddFile, resized by the mixer, set aside by a second
// fftmix) resolves to its new address. A handle never comes back to life: a new block gets
// a new one.
//
// Size. Size() is the byte count of the shown block. Giving the sound up keeps the count
// (the format box goes on showing it until the next sound); only the fillers change it.
//
// Unsaved. A block whose bytes the program made (a recording, the mixer's synthesis, a
// sound that AddFile lengthened) is in no file until it is saved. The sound's own block
// (not the mixer's beside an analysed one, which goes when its mixer closes) is what the
// user would lose at exit: HoldsUnsaved says whether it holds such bytes.
//
// Threads: GUI thread only. Between a device's Prepare and Unprepare of the header, the
// header and the shown block belong to the device: no filler may run then (the transport
// stops playback first).

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <utility>

#include "analysis/SoundView.h"
#include "base/HeapPtr.h"
#include "base/wavetypes.h"
#include "files/ByteSource.h"
#include "files/ProgressCallback.h"
#include "files/WaveReadStatus.h"

class SoundDocument {
public:
  struct Handle {
    std::uint64_t id = 0;  // 0 never names a block
    friend bool operator==(const Handle&, const Handle&) = default;
  };

  SoundDocument() = default;
  SoundDocument(const SoundDocument&) = delete;
  SoundDocument& operator=(const SoundDocument&) = delete;

  // ---- What is held ----
  const WAVEFORMATEX& Format() const { return format_; }
  // The fillers (file reader, recorder, mixer) describe the bytes they bring.
  void SetFormat(const WAVEFORMATEX& format) { format_ = format; }
  const std::uint8_t* Data() const { return Shown().data.get(); }
  std::int32_t Size() const { return Shown().size; }
  const WAVEHDR* Header() const { return header_.get(); }
  // A block and its header are held: something can be drawn and played.
  bool HasSound() const { return Data() != nullptr && header_ != nullptr; }
  Handle ShownHandle() const { return {Shown().id}; }
  bool ShowsMix() const { return shown_ == Slot::Mix; }

  // The block a handle names, or nullptr once it has been given up.
  const std::uint8_t* Resolve(Handle h) const;
  std::int32_t SizeOf(Handle h) const;  // 0 once given up
  // The bytes of the block `h` names, to write into (the mixer's synthesis); empty once
  // given up.
  std::span<std::uint8_t> Bytes(Handle h);
  // `frames` frames at byte `offset` of the block `h` names, in the held format; nullopt
  // once the block has been given up.
  std::optional<SoundView> View(Handle h, std::int64_t offset, int frames) const;
  SoundView ViewShown(std::int64_t offset, int frames) const;

  // ---- Playback ----
  // The header set over the shown block from byte `offset` to its end, flags and loops
  // cleared, ready for the device's Prepare; nullptr when no sound is held or `offset`
  // lies outside the block.
  WAVEHDR* HeaderFrom(std::int32_t offset);
  // The header as the device last left it (its flags); nullptr when none is held.
  WAVEHDR* PlaybackHeader() { return header_.get(); }

  // ---- Fillers ----
  // A header for a new sound (zeroed); empty when memory runs out.
  static HeapPtr<WAVEHDR> NewHeader();
  // A new sound replaces everything held: `block` of `size` bytes in Format(), with its
  // header. The handles of the blocks it replaces no longer resolve.
  void Adopt(HeapBytes block, std::int32_t size, HeapPtr<WAVEHDR> header);
  // Gives the whole sound up: both blocks and the header (the size is kept).
  void Free();
  // While nothing is held: the size shown for it (a recording's capture buffer while it
  // runs, 0 for an empty recording). Ignored while a block is held.
  void SetEmptySize(std::int32_t size);
  // The block `h` names grown (or shrunk) to `size` bytes, keeping its first bytes and its
  // handle. False when memory runs out: block and size as they were.
  bool Resize(Handle h, std::int32_t size);
  // Makes the block `h` names the shown one. False for a block given up.
  bool Show(Handle h);

  // ---- Unsaved ----
  // The block `h` names now holds bytes made here, or has just been written to a file.
  // No effect for a block given up.
  void MarkMadeHere(Handle h) { SetUnsaved(h, true); }
  void MarkSaved(Handle h) { SetUnsaved(h, false); }
  // The sound's own block holds bytes made here that were never saved since.
  bool HoldsUnsaved() const { return own_.data && own_.unsaved; }

  // ---- The mixer's block beside the analysed sound (fftmix) ----
  // A new block of `size` bytes for the mixer, shown from now on. The block shown until
  // now, whichever of the two it was, is the analysed one: it waits aside with its size
  // (and keeps its handle); the other is given up. False when memory runs out: nothing
  // changes.
  bool AddMixBlock(std::int32_t size);
  // Gives the mixer's block up and shows the analysed sound again.
  void DropMixBlock();
  // The analysed sound's block while the mixer's exists; otherwise the sound's own.
  Handle SavedHandle() const { return {own_.id}; }

  // ---- AddFile ----
  // Appends the sound of the WAVE file in `source` (or at `path`) to the shown block, as
  // WaveReader::Append reads it: on success the block, under the same handle, holds the
  // added frames and Format() is the file's. On any failure, Cancelled included, the
  // block's bytes, its size and Format() are as they were; only its address may differ.
  WaveReadStatus Append(ByteSource& source, const ProgressCallback& progress = {});
  WaveReadStatus Append(const std::string& path, const ProgressCallback& progress = {});
  // Takes a successful Append back: the shown block keeps its first `size` bytes (its size
  // before the append) and `format` describes it again.
  void UndoAppend(std::int32_t size, const WAVEFORMATEX& format);

private:
  enum class Slot : std::uint8_t { Own, Mix };
  struct Block {
    HeapBytes data;
    std::int32_t size = 0;
    std::uint64_t id = 0;
    bool unsaved = false;
  };
  void SetUnsaved(Handle h, bool unsaved) {
    if (Block* b = Find(h)) b->unsaved = unsaved;
  }
  Block& Shown() { return shown_ == Slot::Own ? own_ : mix_; }
  const Block& Shown() const { return shown_ == Slot::Own ? own_ : mix_; }
  const Block* Find(Handle h) const;
  Block* Find(Handle h) { return const_cast<Block*>(std::as_const(*this).Find(h)); }
  std::uint64_t NextId() { return ++lastId_; }

  WAVEFORMATEX format_;
  Block own_, mix_;  // own_: the sound's own block, or the analysed one beside the mixer's
  Slot shown_ = Slot::Own;
  HeapPtr<WAVEHDR> header_;
  std::uint64_t lastId_ = 0;
};
