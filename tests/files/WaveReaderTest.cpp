#include "files/WaveReader.h"

#include <gtest/gtest.h>

#include <malloc.h>

#include <cstring>

#include "WaveBytes.h"
#include "base/Heap.h"
#include "files/MemoryByteSource.h"

using namespace wavebytes;

namespace {
// The record a caller holds before reading: every byte differs from what files hold.
const WAVEFORMATEX kBefore{0x7777, 0x7777, 0x77777777, 0x77777777, 0x7777, 0x7777, 0x7777};

struct Outcome {
  WaveReadStatus status;
  WAVEFORMATEX format;
  Bytes data;
  std::size_t blockBytes = 0;  // what the block really took, beyond the size reported
};

Outcome ReadBytes(const Bytes& file, const WAVEFORMATEX& before = kBefore) {
  MemoryByteSource source(file.data(), file.size());
  Outcome out{WaveReadStatus::Ok, before, {}};
  const WaveReader::Result r = WaveReader::Read(source, out.format);
  out.status = r.status;
  if (r.status == WaveReadStatus::Ok) {
    EXPECT_NE(r.data, nullptr);
    out.data.assign(r.data.get(), r.data.get() + r.size);
    out.blockBytes = malloc_usable_size(r.data.get());
  } else {
    EXPECT_EQ(r.data, nullptr);
    EXPECT_EQ(r.size, 0);
  }
  return out;
}

Bytes Fmt16(std::uint16_t channels, std::uint16_t bits) {
  return Chunk("fmt ", FmtBody(1, channels, 8000, bits, channels * bits / 8));
}
}  // namespace

TEST(WaveReader, Read_StandardFileGivesFormatAndBytes) {
  const Bytes data = Pcm(16000);
  const Bytes file = Standard(1, 8000, 8, data);
  ASSERT_EQ(file.size(), 44u + 16000u);
  const Outcome out = ReadBytes(file);
  ASSERT_EQ(out.status, WaveReadStatus::Ok);
  EXPECT_EQ(out.format, (WAVEFORMATEX{1, 1, 8000, 8000, 1, 8, 0x7777}));  // cbSize not read
  EXPECT_EQ(out.data, data);
}

TEST(WaveReader, Read_SkipsOtherChunksAndLongFormatChunks) {
  const Bytes data = Pcm(400);
  const Bytes fmt = FmtBody(1, 2, 22050, 16, 4);
  const Bytes files[] = {
      Riff(ListChunk() + Chunk("fmt ", fmt) + Chunk("data", data)),
      Riff(Chunk("fmt ", fmt) + ListChunk() + Chunk("odd ", {1}) + Chunk("data", data) +
           ListChunk()),
      Riff(Chunk("fmt ", FmtBody(1, 2, 22050, 16, 4, 2)) + Chunk("data", data)),   // 18 bytes
      Riff(Chunk("fmt ", FmtBody(1, 2, 22050, 16, 4, 24)) + Chunk("data", data)),  // 40 bytes
  };
  for (const Bytes& file : files) {
    const Outcome out = ReadBytes(file);
    ASSERT_EQ(out.status, WaveReadStatus::Ok);
    EXPECT_EQ(out.format, (WAVEFORMATEX{1, 2, 22050, 88200, 4, 16, 0x7777}));
    EXPECT_EQ(out.data, data);
  }
}

TEST(WaveReader, Read_FailsAtTheStepThatFindsNothing) {
  const Bytes data = Chunk("data", Pcm(8));
  const struct {
    Bytes file;
    WaveReadStatus status;
  } cases[] = {
      {{}, WaveReadStatus::NoWave},
      {Riff(Fmt16(1, 8) + data, {}, "AVI "), WaveReadStatus::NoWave},
      {Riff(ListChunk() + data), WaveReadStatus::NoFmt},
      {Riff(data + Fmt16(1, 8)), WaveReadStatus::NoData},  // data must follow fmt
      {Riff(Fmt16(1, 8)), WaveReadStatus::NoData},
      {Riff(Fmt16(1, 8) + Chunk("data", {})), WaveReadStatus::NoRead},
      {Riff(Fmt16(1, 8) + Id("data") + U32(100)), WaveReadStatus::NoRead},  // nothing there
  };
  for (const auto& c : cases) EXPECT_EQ(ReadBytes(c.file).status, c.status);
}

// Whatever of the format chunk was read stays in the caller's record, also on failure;
// bytes not read keep the caller's values.
TEST(WaveReader, Read_FormatBytesReplaceTheRecordByteForByte) {
  for (std::uint16_t tag : {std::uint16_t{3}, std::uint16_t{0xFFFE}}) {
    const Outcome out =
        ReadBytes(Riff(Chunk("fmt ", FmtBody(tag, 2, 48000, 32, 8, 2)) + Chunk("data", Pcm(8))));
    EXPECT_EQ(out.status, WaveReadStatus::NoFmtTag);
    EXPECT_EQ(out.format, (WAVEFORMATEX{tag, 2, 48000, 384000, 8, 32, 0x7777}));
  }
  // A 14-byte format chunk leaves wBitsPerSample as it was (here 8, matching block 1).
  WAVEFORMATEX before = kBefore;
  before.wBitsPerSample = 8;
  Bytes fmt14 = FmtBody(1, 1, 11025, 8, 1);
  fmt14.resize(14);
  Outcome out = ReadBytes(Riff(Chunk("fmt ", fmt14) + Chunk("data", Pcm(4))), before);
  EXPECT_EQ(out.status, WaveReadStatus::Ok);
  EXPECT_EQ(out.format, (WAVEFORMATEX{1, 1, 11025, 11025, 1, 8, 0x7777}));
  // The file ends 5 bytes into the format chunk: those 5 bytes arrive, then "No fmtSize".
  const Bytes cut =
      Id("RIFF") + U32(100) + Id("WAVE") + Id("fmt ") + U32(16) + Bytes{1, 0, 2, 0, 0x44};
  out = ReadBytes(cut);
  EXPECT_EQ(out.status, WaveReadStatus::NoFmtSize);
  EXPECT_EQ(out.format, (WAVEFORMATEX{1, 2, 0x77777744, 0x77777777, 0x7777, 0x7777, 0x7777}));
}

TEST(WaveReader, Read_RefusesFormatsTheViewsCannotIndex) {
  const struct {
    Bytes fmt;
    bool usable;
  } cases[] = {
      {FmtBody(1, 0, 8000, 8, 1), false},   // no channel
      {FmtBody(1, 1, 0, 8, 1), false},      // no sampling rate
      {FmtBody(1, 1, 8000, 8, 0), false},   // no block
      {FmtBody(1, 2, 8000, 16, 2), false},  // block too small for the frame
      {FmtBody(1, 1, 8000, 8, 2), false},   // block too large
      {FmtBody(1, 2, 8000, 8, 2), true},
      {FmtBody(1, 1, 44100, 24, 3), true},  // other PCM sizes pass through
      {FmtBody(1, 6, 48000, 16, 12), true},
  };
  for (const auto& c : cases) {
    const Outcome out = ReadBytes(Riff(Chunk("fmt ", c.fmt) + Chunk("data", Pcm(120))));
    EXPECT_EQ(out.status, c.usable ? WaveReadStatus::Ok : WaveReadStatus::NoFmtTag);
  }
}

// The sound is what the file holds, cut to whole frames, whatever the sizes claim.
TEST(WaveReader, Read_TakesOnlyTheWholeFramesTheFileHolds) {
  const Bytes data = Pcm(1001);
  const Bytes fmt = Fmt16(2, 16);  // 4-byte frames
  const struct {
    Bytes file;
    std::size_t bytes;
  } cases[] = {
      {Riff(fmt + Id("data") + U32(4000) + data, 4000 + 36), 1000},         // truncated
      {Riff(fmt + Id("data") + U32(0xFFFFFFFF) + data, 0xFFFFFFFF), 1000},  // streaming
      {Riff(fmt + Id("data") + U32(0x80000000) + data), 1000},              // signed size < 0
      {Riff(fmt + Chunk("data", data) + ListChunk()), 1000},                // odd declared size
      {Riff(fmt + Chunk("data", Pcm(4)), 0xFFFFFFFF) + Pcm(64), 4},         // size is exact
  };
  for (const auto& c : cases) {
    const Outcome out = ReadBytes(c.file);
    ASSERT_EQ(out.status, WaveReadStatus::Ok);
    EXPECT_EQ(out.data, Bytes(data.begin(), data.begin() + long(c.bytes)));
    EXPECT_LT(out.blockBytes, 1100u);  // not allocated from the declared size
  }
  // Less than one frame is no sound at all.
  EXPECT_EQ(ReadBytes(Riff(fmt + Chunk("data", Pcm(3)))).status, WaveReadStatus::NoRead);
}

TEST(WaveReader, ReadFile_MissingFileAndOutOfMemory) {
  ScratchDir dir;
  WAVEFORMATEX f = kBefore;
  EXPECT_EQ(WaveReader::ReadFile(dir / "missing.wav", f).status, WaveReadStatus::NoFile);
  EXPECT_EQ(WaveReader::ReadFile(dir.Path(), f).status, WaveReadStatus::NoFile);
  EXPECT_EQ(f, kBefore);
  WriteAll(dir / "a.wav", Standard(1, 8000, 8, Pcm(100)));
  Heap::FailAfter(0);
  EXPECT_EQ(WaveReader::ReadFile(dir / "a.wav", f).status, WaveReadStatus::NoMemory);
  Heap::FailAfter(-1);
}

WaveReader::HeldSound Held(const Bytes& bytes, const WAVEFORMATEX& format) {
  WaveReader::HeldSound held{HeapBytes(static_cast<std::uint8_t*>(Heap::Alloc(bytes.size()))),
                             std::int32_t(bytes.size()), format};
  std::memcpy(held.data.get(), bytes.data(), bytes.size());
  return held;
}

Bytes BytesOf(const WaveReader::HeldSound& h) { return Bytes(h.data.get(), h.data.get() + h.size); }

// Every refusal leaves the held sound whole: its bytes, size and format, also when the
// refused file's format record was already read (a float file, a too long sum).
TEST(WaveReader, AppendFile_AddsBytesAndTakesTheNewFormatOrChangesNothing) {
  ScratchDir dir;
  WriteAll(dir / "16.wav", Standard(2, 44100, 16, Pcm(800, 2)));
  WriteAll(dir / "float.wav",
           Riff(Chunk("fmt ", FmtBody(3, 1, 8000, 32, 4)) + Chunk("data", Pcm(400))));
  const WAVEFORMATEX mono8{1, 1, 8000, 8000, 1, 8, 0}, stereo16{1, 2, 44100, 176400, 4, 16, 0};
  WaveReader::HeldSound held = Held(Pcm(600, 1), mono8);
  ASSERT_EQ(WaveReader::AppendFile(dir / "16.wav", held), WaveReadStatus::Ok);
  EXPECT_EQ(held.format, stereo16);
  EXPECT_EQ(BytesOf(held), Pcm(600, 1) + Pcm(800, 2));

  held.format = mono8;
  const Bytes before = BytesOf(held);
  Heap::FailAfter(0);
  EXPECT_EQ(WaveReader::AppendFile(dir / "16.wav", held), WaveReadStatus::NoMemory);
  Heap::FailAfter(-1);
  EXPECT_EQ(WaveReader::AppendFile(dir / "none.wav", held), WaveReadStatus::NoFile);
  EXPECT_EQ(WaveReader::AppendFile(dir / "float.wav", held), WaveReadStatus::NoFmtTag);
  EXPECT_EQ(BytesOf(held), before);
  EXPECT_EQ(held.format, mono8);
  held.size = 0x7FFFFF00;  // the sum would not fit DataSize
  EXPECT_EQ(WaveReader::AppendFile(dir / "16.wav", held), WaveReadStatus::NoMemory);
  EXPECT_EQ(held.size, 0x7FFFFF00);
  EXPECT_EQ(held.format, mono8);
  held.size = 1400;
  // Growing the held block is the only allocation: no second block holds the added file.
  Heap::FailAfter(1);
  EXPECT_EQ(WaveReader::AppendFile(dir / "16.wav", held), WaveReadStatus::Ok);
  Heap::FailAfter(-1);
  EXPECT_EQ(BytesOf(held), Pcm(600, 1) + Pcm(800, 2) + Pcm(800, 2));
}

// A held sound that is not a whole number of the added file's frames gets silence of the
// new format up to the next frame, so every added sample stays in its place.
TEST(WaveReader, AppendFile_StartsTheAddedFramesOnAFrameBoundary) {
  ScratchDir dir;
  WriteAll(dir / "16.wav", Standard(2, 44100, 16, Pcm(8, 2)));
  const WAVEFORMATEX mono8{1, 1, 8000, 8000, 1, 8, 0};
  WaveReader::HeldSound held = Held(Pcm(5, 1), mono8);
  ASSERT_EQ(WaveReader::AppendFile(dir / "16.wav", held), WaveReadStatus::Ok);
  EXPECT_EQ(BytesOf(held), Pcm(5, 1) + Bytes(3, 0) + Pcm(8, 2));
  WriteAll(dir / "8.wav", Standard(2, 8000, 8, Pcm(4, 3)));
  held = Held(Pcm(5, 1), mono8);
  ASSERT_EQ(WaveReader::AppendFile(dir / "8.wav", held), WaveReadStatus::Ok);
  EXPECT_EQ(BytesOf(held), Pcm(5, 1) + Bytes(1, 0x80) + Pcm(4, 3));
}

TEST(WaveReadStatus, Text_NamesTheStepAndTheCommand) {
  using S = WaveReadStatus;
  const auto open = WaveReadCommand::Open, add = WaveReadCommand::AddFile;
  EXPECT_STREQ(WaveReadStatusText(S::NoMemory, open), "No pwavedata");
  EXPECT_STREQ(WaveReadStatusText(S::NoMemory, add), "No mypwavedata");
  const std::pair<S, const char*> texts[] = {
      {S::NoFile, "No File"},       {S::NoWave, "No Wave"},     {S::NoFmt, "No fmt"},
      {S::NoFmtSize, "No fmtSize"}, {S::NoFmtTag, "No fmttag"}, {S::NoData, "No data"},
      {S::NoRead, "No read"},       {S::Cancelled, "Cancelled"}};
  for (const auto& [status, text] : texts) {
    EXPECT_STREQ(WaveReadStatusText(status, open), text);
    EXPECT_STREQ(WaveReadStatusText(status, add), text);
  }
}
