#include "mixer/MixerSettingsFile.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <limits>
#include <random>

#include "../files/WaveBytes.h"
#include "files/FileByteSink.h"

using namespace wavebytes;
using Code = MixerFileStatus::Code;
constexpr std::int64_t kSlot = 3372;
constexpr std::size_t kFile = 16860;

namespace {
Bytes F64(double v) {
  const auto bits = std::bit_cast<std::uint64_t>(v);
  return U32(std::uint32_t(bits)) + U32(std::uint32_t(bits >> 32));
}

// Every field equal bit for bit, so NaN payloads and the sign of zero count. The slot has
// no padding, so its object bytes are exactly its fields.
static_assert(sizeof(MemorySlot) == 12 + 121 * (4 + 8 + 16));
::testing::AssertionResult SameSlots(const SpectrumMemory& a, const SpectrumMemory& b) {
  for (int m = 0; m < SpectrumMemory::kSlots; ++m) {
    const MemorySlot x = *a.Recall(m), y = *b.Recall(m);
    if (std::memcmp(&x, &y, sizeof x) != 0) return ::testing::AssertionFailure() << "slot " << m;
  }
  return ::testing::AssertionSuccess();
}

// Five sets of random bit patterns, seeded, with the awkward doubles planted in slot 0.
SpectrumMemory RandomMemory(unsigned seed, bool withNanPayloads = true) {
  std::mt19937_64 rng(seed);
  auto number = [&] {
    for (;;) {
      const double d = std::bit_cast<double>(rng());
      if (withNanPayloads || !std::isnan(d)) return d;
    }
  };
  const double special[] = {std::numeric_limits<double>::infinity(),
                            -std::numeric_limits<double>::infinity(),
                            -0.0,
                            std::numeric_limits<double>::denorm_min(),
                            std::numeric_limits<double>::quiet_NaN(),
                            withNanPayloads ? std::bit_cast<double>(0xFFF4000000ABCDEFull) : 1.0,
                            withNanPayloads ? std::bit_cast<double>(0x7FF0000000000001ull) : 2.0};
  SpectrumMemory memory;
  for (int m = 0; m < SpectrumMemory::kSlots; ++m) {
    MemorySlot set;
    set.Harmonics.HarmCount = std::int32_t(rng());
    set.Freq = std::int32_t(rng());
    set.Volume = std::int32_t(rng());
    for (int k = 1; k <= 120; ++k)
      set.Harmonics.Amplitude[k] = std::int32_t(rng()), set.Harmonics.Phase[k] = number(),
      set.Harmonics.Spectrum[k] = {number(), number()};
    if (m == 0)
      for (int i = 0; i < 7; ++i)
        set.Harmonics.Phase[i + 1] = set.Harmonics.Spectrum[i + 1].im = special[i];
    memory.Store(m, set);
  }
  return memory;
}

// What loading a file of `saved` cut to `size` bytes makes of `before`: a field (or a
// spectral piece) takes its saved value when the file holds it whole.
SpectrumMemory AfterCut(const SpectrumMemory& before, const SpectrumMemory& saved,
                        std::int64_t size) {
  SpectrumMemory out;
  for (int m = 0; m < 5; ++m) {
    MemorySlot s = *before.Recall(m);
    const MemorySlot n = *saved.Recall(m);
    auto whole = [&](std::int64_t at, std::int64_t len) { return kSlot * m + at + len <= size; };
    if (whole(0, 4)) s.Harmonics.HarmCount = n.Harmonics.HarmCount;
    if (whole(4, 4)) s.Freq = n.Freq;
    if (whole(8, 4)) s.Volume = n.Volume;
    for (int k = 1; k <= 120; ++k) {
      const std::int64_t at = 12 + 28 * (k - 1);
      if (whole(at, 4)) s.Harmonics.Amplitude[k] = n.Harmonics.Amplitude[k];
      if (whole(at + 4, 8)) s.Harmonics.Phase[k] = n.Harmonics.Phase[k];
      if (whole(at + 12, 16)) s.Harmonics.Spectrum[k] = n.Harmonics.Spectrum[k];
    }
    out.Store(m, s);
  }
  return out;
}
}  // namespace

TEST(MixerSettingsFile, EmptySlots_SaveAs16860ZeroBytes) {
  ScratchDir dir;
  ASSERT_TRUE(MixerSettingsFile::Save(dir / "empty.f2t", SpectrumMemory{}).Ok());
  EXPECT_EQ(ReadAll(dir / "empty.f2t"), Bytes(kFile, 0));
}

TEST(MixerSettingsFile, StoredSlot_FieldsSitAtTheirOffsets) {
  MemorySlot set;
  set.Harmonics.HarmCount = 3, set.Freq = 440, set.Volume = 10;
  set.Harmonics.Amplitude[1] = 100, set.Harmonics.Amplitude[2] = 50;
  set.Harmonics.Amplitude[3] = 25;
  set.Harmonics.Phase[1] = 0.5;
  set.Harmonics.Spectrum[120] = {-2.0, 1e300};
  SpectrumMemory memory;
  memory.Store(2, set);
  ScratchDir dir;
  ASSERT_TRUE(MixerSettingsFile::Save(dir / "a.f2t", memory).Ok());
  const Bytes file = ReadAll(dir / "a.f2t");
  ASSERT_EQ(file.size(), kFile);
  const auto at = [&](std::int64_t offset, std::size_t n) {
    return Bytes(file.begin() + 2 * kSlot + offset, file.begin() + 2 * kSlot + offset + n);
  };
  EXPECT_EQ(at(0, 4), (Bytes{3, 0, 0, 0}));
  EXPECT_EQ(at(4, 4), (Bytes{0xB8, 0x01, 0, 0}));
  EXPECT_EQ(at(8, 4), (Bytes{10, 0, 0, 0}));
  EXPECT_EQ(at(12, 4), (Bytes{100, 0, 0, 0}));
  EXPECT_EQ(at(16, 8), (Bytes{0, 0, 0, 0, 0, 0, 0xE0, 0x3F}));  // 0.5
  EXPECT_EQ(at(40, 4), (Bytes{50, 0, 0, 0}));

  Bytes slot = U32(3) + U32(440) + U32(10);  // the same slot composed by hand
  for (int k = 1; k <= 120; ++k)
    slot = slot + U32(k <= 3 ? 100 >> (k - 1) : 0) + F64(k == 1 ? 0.5 : 0.0) +
           F64(k == 120 ? -2.0 : 0.0) + F64(k == 120 ? 1e300 : 0.0);
  EXPECT_EQ(Bytes(kSlot * 2, 0) + slot + Bytes(kSlot * 2, 0), file);
}

// Also through a long UTF-8 path, and with bytes past the end that must be ignored.
TEST(MixerSettingsFile, RoundTrip_KeepsEveryBit) {
  ScratchDir dir;
  const std::string deep = MakeDeepDir(dir.Path(), 2) + "/Klang-\xC3\xA4-\xE9\x9F\xB3.f2t";
  ASSERT_GT(deep.size(), 400u);
  for (unsigned seed : {1u, 2u, 3u}) {
    const std::string path = seed == 2 ? deep : dir / "r.f2t";
    const SpectrumMemory saved = RandomMemory(seed);
    ASSERT_TRUE(MixerSettingsFile::Save(path, saved).Ok());
    if (seed == 3) WriteAll(path, ReadAll(path) + Bytes(3373, 0xFF));
    SpectrumMemory loaded = RandomMemory(seed + 100);
    ASSERT_TRUE(MixerSettingsFile::Load(path, loaded).Ok());
    EXPECT_TRUE(SameSlots(saved, loaded)) << seed;
  }
}

TEST(MixerSettingsFile, CutFile_KeepsWholeFieldsReadBeforeTheEnd) {
  ScratchDir dir;
  const SpectrumMemory saved = RandomMemory(7), before = RandomMemory(8);
  ASSERT_TRUE(MixerSettingsFile::Save(dir / "full.f2t", saved).Ok());
  const Bytes full = ReadAll(dir / "full.f2t");
  // Inside the first field, on field edges, inside a phase, inside a spectral piece (its
  // real part whole), at slot edges, one byte short.
  for (std::int64_t size : {0, 3, 4, 12, 20, 24, 32, 40, 3372, 3380, 3404, 13488, 16859}) {
    const std::string path = dir / ("cut" + std::to_string(size) + ".f2t");
    WriteAll(path, Bytes(full.begin(), full.begin() + size));
    SpectrumMemory memory = before;
    const MixerFileStatus status = MixerSettingsFile::Load(path, memory);
    EXPECT_EQ(status.code, Code::ShortFile) << size;
    EXPECT_EQ(status.text,
              "Read error: \"" + path + "\" ends at byte " + std::to_string(size) + " of 16860");
    EXPECT_TRUE(SameSlots(memory, AfterCut(before, saved, size))) << size;
  }
}

TEST(MixerSettingsFile, FailedSave_LeavesEarlierFileAndNoTemporary) {
  ScratchDir dir;
  const std::string path = dir / "set.f2t";
  const Bytes earlier = Pcm(100);
  const struct {
    FileByteSink::Faults faults;
    Code code;
    std::string text;
  } cases[] = {
      {{.failCreate = true},
       Code::CannotCreate,
       "Cannot create file \"" + path + "\": Permission denied"},
      {{.writeLimit = 0},
       Code::WriteFailed,
       "Write error: \"" + path + "\" at byte 0 of 16860: No space left on device"},
      {{.writeLimit = 5000},
       Code::WriteFailed,
       "Write error: \"" + path + "\" at byte 5000 of 16860: No space left on device"},
      {{.failSync = true}, Code::FlushFailed, "Cannot write file \"" + path + "\" to disk"},
      {{.failRename = true}, Code::RenameFailed, "Cannot replace file \"" + path + "\""},
  };
  for (const auto& c : cases) {
    WriteAll(path, earlier);
    FileByteSink::InjectFaults(c.faults);
    const MixerFileStatus status = MixerSettingsFile::Save(path, RandomMemory(1));
    EXPECT_EQ(status.code, c.code);
    EXPECT_EQ(status.text, c.text);
    EXPECT_EQ(ReadAll(path), earlier);
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"set.f2t"});
  }

  const MixerFileStatus missing = MixerSettingsFile::Save(dir / "no/set.f2t", {});
  EXPECT_EQ(missing.code, Code::CannotCreate);
  EXPECT_EQ(missing.text,
            "Cannot create file \"" + dir / "no/set.f2t" + "\": No such file or directory");
  EXPECT_EQ(MixerSettingsFile::Save(dir.Path(), {}).code, Code::CannotCreate);
}

TEST(MixerSettingsFile, LoadFailure_NoFileLeavesSlotsAlone) {
  ScratchDir dir;
  const SpectrumMemory before = RandomMemory(4);
  SpectrumMemory memory = before;
  const MixerFileStatus status = MixerSettingsFile::Load(dir / "gone.f2t", memory);
  EXPECT_EQ(status.code, Code::CannotOpen);
  EXPECT_EQ(status.text,
            "Cannot open file \"" + dir / "gone.f2t" + "\": No such file or directory");
  EXPECT_EQ(MixerSettingsFile::Load(dir.Path(), memory).code, Code::CannotOpen);
  EXPECT_TRUE(SameSlots(memory, before));
}

TEST(MixerSettingsFile, DamagedCount_LoadsRawAndRecallsClamped) {
  ScratchDir dir;
  Bytes file(kFile, 0);
  const Bytes huge = U32(2000000000), negative = U32(std::uint32_t(-7));
  std::copy(huge.begin(), huge.end(), file.begin() + kSlot);
  std::copy(negative.begin(), negative.end(), file.begin() + 4 * kSlot);
  WriteAll(dir / "bad.f2t", file);
  SpectrumMemory memory;
  ASSERT_TRUE(MixerSettingsFile::Load(dir / "bad.f2t", memory).Ok());
  EXPECT_EQ(memory.Recall(1)->Harmonics.HarmCount, 2000000000);
  EXPECT_EQ(memory.Recall(1)->Harmonics.VisitedCount(), 120);
  EXPECT_EQ(memory.Recall(4)->Harmonics.VisitedCount(), 0);
  ASSERT_TRUE(MixerSettingsFile::Save(dir / "again.f2t", memory).Ok());
  EXPECT_EQ(ReadAll(dir / "again.f2t"), file);
}

// An independent writer of the same layout, with Python's struct module.
TEST(MixerSettingsFile, Layout_MatchesPythonStructWriter) {
  if (std::system("python3 -c '' >/dev/null 2>&1") != 0) GTEST_SKIP() << "no python3";
  ScratchDir dir;
  const SpectrumMemory memory = RandomMemory(11, false);  // Python keeps no NaN payloads
  {
    std::ofstream data(dir / "values.txt");
    char hex[64];
    auto put = [&](double d) {
      std::snprintf(hex, sizeof hex, " %a", d);
      data << hex;
    };
    for (int m = 0; m < 5; ++m) {
      const MemorySlot s = *memory.Recall(m);
      data << s.Harmonics.HarmCount << ' ' << s.Freq << ' ' << s.Volume << '\n';
      for (int k = 1; k <= 120; ++k) {
        data << s.Harmonics.Amplitude[k];
        put(s.Harmonics.Phase[k]), put(s.Harmonics.Spectrum[k].re);
        put(s.Harmonics.Spectrum[k].im);
        data << '\n';
      }
    }
    std::ofstream(dir / "write.py")
        << "import struct, sys\n"
           "rows = [line.split() for line in open(sys.argv[1])]\n"
           "with open(sys.argv[2], 'wb') as out:\n"
           "    for m in range(5):\n"
           "        out.write(struct.pack('<iii', *map(int, rows[121 * m])))\n"
           "        for a, p, re, im in rows[121 * m + 1:121 * m + 121]:\n"
           "            out.write(struct.pack('<id', int(a), float.fromhex(p)))\n"
           "            out.write(struct.pack('<dd', float.fromhex(re), float.fromhex(im)))\n";
  }
  ASSERT_EQ(
      std::system(
          ("python3 '" + dir / "write.py' '" + dir / "values.txt' '" + dir / "py.f2t'").c_str()),
      0);
  ASSERT_TRUE(MixerSettingsFile::Save(dir / "ours.f2t", memory).Ok());
  const Bytes python = ReadAll(dir / "py.f2t");
  EXPECT_EQ(python.size(), kFile);
  EXPECT_TRUE(python == ReadAll(dir / "ours.f2t"));
}
