// The mixer's session with the held sound: the Mixer button, fftmix, BASE, the mixer's
// close and the giving up of the sound, on a document of its own.

#include "mixer/MixSession.h"

#include <gtest/gtest.h>

#include <cstring>

#include "base/Heap.h"
#include "model/NewSoundSettings.h"
#include "model/SoundDocument.h"

namespace {
const WAVEFORMATEX kMono8{1, 1, 8000, 8000, 1, 8, 0};

struct Fixture {
  SoundDocument doc;
  NewSoundSettings settings;
  MixSession session{doc, settings};
  int analyses = 0;
  bool peaks = true;
  MixSession::FftMix FftMix() {
    return session.StartFftMix([this] { return ++analyses, peaks; });
  }
  // A held sound of `bytes` bytes of `value` in `format`, as a file leaves it.
  void Hold(const WAVEFORMATEX& format, std::int32_t bytes, std::uint8_t value) {
    HeapBytes b = AllocBytes(std::size_t(bytes));
    std::memset(b.get(), value, std::size_t(bytes));
    doc.SetFormat(format);
    doc.Adopt(std::move(b), bytes, SoundDocument::NewHeader());
  }
  // What the mixer does on "OUT": its block resized, filled and shown.
  void Rebuild(SoundDocument::Handle block, std::int32_t bytes, std::uint8_t value) {
    ASSERT_TRUE(doc.Resize(block, bytes));
    std::memset(doc.Bytes(block).data(), value, std::size_t(bytes));
    doc.Show(block);
    session.Rebuilt();
  }
};

TEST(MixSession, MixerButton_MakesTheSettingsSoundAndClosingKeepsIt) {
  Fixture f;
  f.Hold(kMono8, 100, 1);
  f.settings.RecBits = 16;
  f.settings.RecSampleRate = 11025;
  ASSERT_EQ(f.session.MakeMixerSound(), MixSession::Made::Sound);
  EXPECT_EQ(f.doc.Format(), (WAVEFORMATEX{1, 1, 11025, 22050, 2, 16, 0}));
  EXPECT_EQ(f.doc.Size(), 11025);
  EXPECT_TRUE(f.doc.HasSound());
  f.session.WindowOpened(false);
  EXPECT_TRUE(f.session.MixerOpen() && !f.session.MixerFromFft());
  EXPECT_EQ(f.session.MixerClosed(), MixSession::Closed::SoundKept);
  EXPECT_FALSE(f.session.MixerOpen());
  EXPECT_TRUE(f.doc.HasSound());
  EXPECT_EQ(f.doc.Size(), 11025);

  Heap::FailAfter(0);
  f.settings.RecBits = 8;
  EXPECT_EQ(f.session.MakeMixerSound(), MixSession::Made::NoMemory);
  EXPECT_FALSE(f.doc.HasSound());
  EXPECT_EQ(f.doc.Size(), 5512);  // nearest(5512.5), ties to even
}

TEST(MixSession, FftMix_RefusalsChangeNoBlock) {
  Fixture f;
  EXPECT_EQ(f.FftMix(), MixSession::FftMix::Ignored);  // nothing held
  f.Hold(WAVEFORMATEX{1, 2, 8000, 16000, 2, 8, 0}, 1000, 1);
  EXPECT_EQ(f.FftMix(), MixSession::FftMix::TwoChannels);
  EXPECT_EQ(f.analyses, 0);
  f.Hold(kMono8, 1000, 1);
  f.peaks = false;
  EXPECT_EQ(f.FftMix(), MixSession::FftMix::NoPeaks);
  EXPECT_FALSE(f.session.FftMixMode());
  f.peaks = true;
  f.doc.SetFormat(WAVEFORMATEX{1, 1, 44100, 44100, 1, 8, 0});
  Heap::FailAfter(0);
  EXPECT_EQ(f.FftMix(), MixSession::FftMix::NoMemory);
  EXPECT_FALSE(f.session.FftMixMode() || f.session.BaseShown() || f.doc.ShowsMix());
  EXPECT_EQ(f.settings.RecSampleRate, 44100u);  // taken before the allocation
  EXPECT_EQ(f.doc.Size(), 1000);
}

TEST(MixSession, FftMixWindow_BaseRebuildAndCloseBringTheAnalysedSoundBack) {
  Fixture f;
  f.Hold(WAVEFORMATEX{1, 1, 11025, 22050, 2, 16, 0}, 6000, 7);
  const SoundDocument::Handle analysed = f.doc.ShownHandle();
  ASSERT_EQ(f.FftMix(), MixSession::FftMix::OpenWindow);
  EXPECT_TRUE(f.session.FftMixMode() && f.session.BaseShown() && f.doc.ShowsMix());
  EXPECT_EQ(f.settings.RecBits, 16u);
  EXPECT_EQ(f.settings.RecSampleRate, 11025u);
  EXPECT_EQ(f.doc.Size(), 11025);  // nearest(22050 * 0.5)
  const SoundDocument::Handle mix = f.doc.ShownHandle();
  f.session.WindowOpened(true);
  f.session.TakenOver();
  EXPECT_FALSE(f.session.FftMixMode());
  EXPECT_EQ(f.FftMix(), MixSession::FftMix::Ignored);  // BASE offered

  EXPECT_TRUE(f.session.ShowBase());
  EXPECT_EQ(f.doc.ShownHandle(), analysed);
  EXPECT_EQ(f.doc.Size(), 6000);
  EXPECT_FALSE(f.session.ShowBase());
  f.Rebuild(mix, 8000, 9);
  EXPECT_TRUE(f.session.BaseShown());
  EXPECT_EQ(f.doc.Size(), 8000);

  EXPECT_EQ(f.session.MixerClosed(), MixSession::Closed::AnalysedShown);
  EXPECT_FALSE(f.session.MixerOpen() || f.session.MixerFromFft() || f.session.BaseShown());
  EXPECT_EQ(f.doc.ShownHandle(), analysed);
  EXPECT_EQ(f.doc.Data()[5999], 7);
  EXPECT_EQ(f.doc.Resolve(mix), nullptr);
}

// A mixer of its own rebuilds its sound after BASE: the next fftmix analyses that sound,
// and BASE brings that one back, not the sound of before.
TEST(MixSession, SecondFftMix_KeepsTheShownSoundAsTheAnalysedOne) {
  Fixture f;
  ASSERT_EQ(f.session.MakeMixerSound(), MixSession::Made::Sound);
  f.session.WindowOpened(false);
  const SoundDocument::Handle own = f.doc.ShownHandle();
  f.Rebuild(own, 4000, 100);  // "OUT" at 100 Hz
  ASSERT_EQ(f.FftMix(), MixSession::FftMix::TakeOverInWindow);
  const SoundDocument::Handle mix = f.doc.ShownHandle();
  f.session.TakenOver();
  ASSERT_TRUE(f.session.ShowBase());
  f.Rebuild(mix, 4000, 250);  // 250 Hz, "OUT": no BASE for a mixer of its own
  EXPECT_FALSE(f.session.BaseShown());
  ASSERT_EQ(f.FftMix(), MixSession::FftMix::TakeOverInWindow);
  EXPECT_EQ(f.doc.Resolve(own), nullptr);  // the sound of before is given up
  ASSERT_TRUE(f.session.ShowBase());
  EXPECT_EQ(f.doc.ShownHandle(), mix);
  EXPECT_EQ(f.doc.Data()[0], 250);
}

TEST(MixSession, GiveUp_EndsEverything) {
  Fixture f;
  f.Hold(kMono8, 6000, 7);
  ASSERT_EQ(f.FftMix(), MixSession::FftMix::OpenWindow);
  f.session.WindowOpened(true);
  EXPECT_TRUE(f.session.GiveUp());
  EXPECT_FALSE(f.session.MixerOpen() || f.session.MixerFromFft() || f.session.FftMixMode() ||
               f.session.BaseShown());
  EXPECT_FALSE(f.session.GiveUp());
  f.doc.Free();
  f.Hold(kMono8, 6000, 7);
  EXPECT_EQ(f.FftMix(), MixSession::FftMix::OpenWindow);  // fftmix works on the next sound
}

}  // namespace
