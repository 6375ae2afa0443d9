// The document's blocks and the handles borrowers keep: a moved block resolves to its new
// address, a given-up block to nothing, and the mixer's block comes and goes beside the
// analysed sound.

#include "model/SoundDocument.h"

#include <gtest/gtest.h>

#include <cstring>

#include "../files/WaveBytes.h"
#include "files/MemoryByteSource.h"

namespace {
const WAVEFORMATEX kMono8{1, 1, 8000, 8000, 1, 8, 0};

HeapBytes Filled(std::int32_t bytes, std::uint8_t value) {
  HeapBytes b = AllocBytes(std::size_t(bytes));
  std::memset(b.get(), value, std::size_t(bytes));
  return b;
}

void Hold(SoundDocument& d, std::int32_t bytes, std::uint8_t value = 1) {
  d.SetFormat(kMono8);
  d.Adopt(Filled(bytes, value), bytes, SoundDocument::NewHeader());
}

TEST(SoundDocument, AdoptHoldsAndFreeKeepsTheSize) {
  SoundDocument d;
  EXPECT_FALSE(d.HasSound());
  EXPECT_EQ(d.Resolve(d.ShownHandle()), nullptr);
  Hold(d, 1000);
  EXPECT_TRUE(d.HasSound());
  const auto h = d.ShownHandle();
  EXPECT_EQ(d.Resolve(h), d.Data());
  d.Free();
  EXPECT_FALSE(d.HasSound());
  EXPECT_EQ(d.Header(), nullptr);
  EXPECT_EQ(d.Size(), 1000);  // shown until the next sound
  EXPECT_EQ(d.Resolve(h), nullptr);
  EXPECT_FALSE(d.View(h, 0, 256));
  d.Free();  // twice is harmless
}

TEST(SoundDocument, HandlesFollowMovesButNeverANewSound) {
  SoundDocument d;
  Hold(d, 64, 7);
  const auto h = d.ShownHandle();
  ASSERT_TRUE(d.Resize(h, 1 << 20));  // large enough to move
  EXPECT_EQ(d.Resolve(h), d.Data());
  EXPECT_EQ(d.Data()[63], 7);
  EXPECT_EQ(d.Size(), 1 << 20);
  const auto view = d.View(h, 10, 256);
  ASSERT_TRUE(view);
  EXPECT_EQ(view->data, d.Data());
  EXPECT_EQ(view->size, 1 << 20);
  Hold(d, 64, 9);  // a new sound in the same slot
  EXPECT_EQ(d.Resolve(h), nullptr);
  EXPECT_NE(d.ShownHandle(), h);
}

TEST(SoundDocument, ResizeFailureKeepsBlockAndSize) {
  SoundDocument d;
  Hold(d, 64, 3);
  const auto h = d.ShownHandle();
  const std::uint8_t* before = d.Data();
  Heap::FailAfter(0);
  EXPECT_FALSE(d.Resize(h, 4096));
  EXPECT_EQ(d.Data(), before);
  EXPECT_EQ(d.Size(), 64);
  EXPECT_FALSE(d.Resize(SoundDocument::Handle{}, 10));
}

TEST(SoundDocument, MixBlockShowsBesideTheAnalysedSoundAndGoesAgain) {
  SoundDocument d;
  Hold(d, 3000, 5);
  const auto own = d.ShownHandle();
  ASSERT_TRUE(d.AddMixBlock(4000));
  EXPECT_TRUE(d.ShowsMix());
  EXPECT_EQ(d.Size(), 4000);
  const auto mix = d.ShownHandle();
  EXPECT_NE(d.Resolve(mix), d.Resolve(own));
  EXPECT_EQ(d.SizeOf(own), 3000);
  ASSERT_TRUE(d.Show(own));  // "BASE" double-clicked: the analysed sound again
  EXPECT_EQ(d.Size(), 3000);
  EXPECT_EQ(d.Data()[0], 5);
  ASSERT_TRUE(d.Resize(mix, 8000));  // the mixer rebuilds while the analysed one shows
  ASSERT_TRUE(d.Show(mix));
  EXPECT_EQ(d.Size(), 8000);
  d.DropMixBlock();  // the mixer closes
  EXPECT_FALSE(d.ShowsMix());
  EXPECT_EQ(d.Size(), 3000);
  EXPECT_EQ(d.Resolve(mix), nullptr);
  EXPECT_EQ(d.Resolve(own), d.Data());
  EXPECT_FALSE(d.Show(mix));
}

TEST(SoundDocument, FreeGivesUpBothBlocks) {
  SoundDocument d;
  Hold(d, 100);
  const auto own = d.ShownHandle();
  ASSERT_TRUE(d.AddMixBlock(200));
  const auto mix = d.ShownHandle();
  d.Free();
  EXPECT_EQ(d.Resolve(own), nullptr);
  EXPECT_EQ(d.Resolve(mix), nullptr);
  EXPECT_FALSE(d.ShowsMix());
}

TEST(SoundDocument, MixBlockOutOfMemoryChangesNothing) {
  SoundDocument d;
  Hold(d, 100);
  Heap::FailAfter(0);
  EXPECT_FALSE(d.AddMixBlock(200));
  EXPECT_FALSE(d.ShowsMix());
  EXPECT_EQ(d.Size(), 100);
}

// AddFile: an append keeps the handle; a refused one leaves the bytes, size and format
// as they were, and so does an append taken back.
TEST(SoundDocument, AppendKeepsTheHandleAndARefusalChangesNothing) {
  using namespace wavebytes;
  SoundDocument d;
  const std::int32_t n = 2 << 20;  // a mapped block, which growing may move
  Hold(d, n, 7);
  const auto h = d.ShownHandle();
  const Bytes good = Standard(2, 44100, 16, Pcm(4000)),
              bad = Riff(Chunk("fmt ", FmtBody(3, 1, 8000, 32, 4)) + Chunk("data", Pcm(400)));
  const auto unchanged = [&] {
    return d.Size() == n && d.Format() == kMono8 && d.Resolve(h) == d.Data() &&
           Bytes(d.Data(), d.Data() + n) == Bytes(std::size_t(n), 7);
  };
  MemoryByteSource badSource(bad.data(), bad.size()), goodSource(good.data(), good.size());
  EXPECT_EQ(d.Append(badSource), WaveReadStatus::NoFmtTag);
  EXPECT_TRUE(unchanged());

  ASSERT_EQ(d.Append(goodSource), WaveReadStatus::Ok);
  EXPECT_EQ(d.Size(), n + 4000);
  EXPECT_EQ(d.Format(), (WAVEFORMATEX{1, 2, 44100, 176400, 4, 16, 0}));
  EXPECT_EQ(d.Resolve(h), d.Data());
  EXPECT_EQ(Bytes(d.Data() + n, d.Data() + n + 4000), Pcm(4000));
  d.UndoAppend(n, kMono8);
  EXPECT_TRUE(unchanged());
}

}  // namespace
