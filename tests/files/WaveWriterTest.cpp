#include "files/WaveWriter.h"

#include <gtest/gtest.h>
#include <limits.h>

#include "WaveBytes.h"
#include "base/Heap.h"
#include "files/FileByteSink.h"
#include "files/WaveReader.h"

using namespace wavebytes;

namespace {
const WAVEFORMATEX kMono8{1, 1, 8000, 8000, 1, 8, 0};

Bytes Header(std::uint32_t riffSize, const WAVEFORMATEX& f, std::uint32_t dataSize) {
  return Id("RIFF") + U32(riffSize) + Id("WAVE") + Id("fmt ") + U32(18) + U16(f.wFormatTag) +
         U16(f.nChannels) + U32(f.nSamplesPerSec) + U32(f.nAvgBytesPerSec) + U16(f.nBlockAlign) +
         U16(f.wBitsPerSample) + U16(f.cbSize) + Id("data") + U32(dataSize);
}
}  // namespace

TEST(WaveWriter, SaveFile_Writes46ByteHeaderAndPadsOddData) {
  ScratchDir dir;
  const Bytes even = Pcm(16000), odd = Pcm(1601);
  ASSERT_EQ(WaveWriter::SaveFile(dir / "even.wav", kMono8, even.data(), 16000), WaveSaveStatus::Ok);
  EXPECT_EQ(ReadAll(dir / "even.wav"), Header(16038, kMono8, 16000) + even);
  ASSERT_EQ(WaveWriter::SaveFile(dir / "odd.wav", kMono8, odd.data(), 1601), WaveSaveStatus::Ok);
  const Bytes file = ReadAll(dir / "odd.wav");
  ASSERT_EQ(file.size(), 1648u);
  EXPECT_EQ(file, Header(1640, kMono8, 1601) + odd + Bytes{0});
  // An empty sound and a 40-byte-style cbSize are written as they are.
  const WAVEFORMATEX withCb{1, 2, 48000, 192000, 4, 16, 22};
  ASSERT_EQ(WaveWriter::SaveFile(dir / "empty.wav", withCb, nullptr, 0), WaveSaveStatus::Ok);
  EXPECT_EQ(ReadAll(dir / "empty.wav"), Header(38, withCb, 0));
}

TEST(WaveWriter, SaveFile_RoundTripsEveryFormatTheSystemMakes) {
  ScratchDir dir;
  const std::uint32_t rates[] = {8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000};
  for (std::uint16_t bits : {8, 16})
    for (std::uint16_t channels : {1, 2})
      for (std::uint32_t rate : rates) {
        const auto block = std::uint16_t(channels * bits / 8);
        const WAVEFORMATEX f{1, channels, rate, rate * block, block, bits, 0};
        const Bytes data = Pcm(std::size_t(1001) * block, rate);  // odd for 8-bit mono
        const std::string path = dir / "round.wav";
        ASSERT_EQ(WaveWriter::SaveFile(path, f, data.data(), std::int32_t(data.size())),
                  WaveSaveStatus::Ok);
        WAVEFORMATEX back{};
        const WaveReader::Result r = WaveReader::ReadFile(path, back);
        ASSERT_EQ(r.status, WaveReadStatus::Ok);
        EXPECT_EQ(back, f);
        EXPECT_EQ(Bytes(r.data.get(), r.data.get() + r.size), data);
      }
}

// Every step fails in turn on a full disk; the file saved before stays byte for byte and
// no temporary file is left behind.
TEST(WaveWriter, SaveFile_FailureKeepsEarlierFileAndLeavesNoTemp) {
  ScratchDir dir;
  const std::string target = dir / "take.wav";
  const Bytes earlier = Standard(1, 8000, 8, Pcm(300, 9));
  WriteAll(target, earlier);
  const Bytes data = Pcm(1601);
  using S = WaveSaveStatus;
  const std::pair<std::int64_t, S> steps[] = {
      {0, S::NoWave},      {11, S::NoWave},    {12, S::NoFmt},       {19, S::NoFmt},
      {20, S::NoFmtSize},  {37, S::NoFmtSize}, {38, S::NoData},      {45, S::NoData},
      {46, S::NoWrite},    {1646, S::NoWrite}, {1647, S::NoAssend1}, {1648, S::NoAssend2},
      {1651, S::NoAssend2}};
  for (const auto& [limit, status] : steps) {
    FileByteSink::InjectFaults({.writeLimit = limit});
    EXPECT_EQ(WaveWriter::SaveFile(target, kMono8, data.data(), 1601), status) << limit;
  }
  FileByteSink::InjectFaults({.failCreate = true});
  EXPECT_EQ(WaveWriter::SaveFile(target, kMono8, data.data(), 1601), S::NoFile);
  FileByteSink::InjectFaults({.failSync = true});
  EXPECT_EQ(WaveWriter::SaveFile(target, kMono8, data.data(), 1601), S::NoWrite);
  FileByteSink::InjectFaults({.failRename = true});
  EXPECT_EQ(WaveWriter::SaveFile(target, kMono8, data.data(), 1601), S::NoFile);
  EXPECT_EQ(WaveWriter::SaveFile(target, kMono8, data.data(), -1), S::NoData);
  EXPECT_EQ(WaveWriter::SaveFile(dir.Path(), kMono8, data.data(), 1601), S::NoFile);

  EXPECT_EQ(ReadAll(target), earlier);
  EXPECT_EQ(dir.Names(), std::vector<std::string>{"take.wav"});
  FileByteSink::InjectFaults({.writeLimit = 1652});  // exactly enough
  EXPECT_EQ(WaveWriter::SaveFile(target, kMono8, data.data(), 1601), S::Ok);
}

TEST(WaveWriter, SaveFile_AcceptsUtf8PathsLongerThanPathMax) {
  ScratchDir dir;
  const std::string path = MakeDeepDir(dir.Path(), 22) + "/ノート ♪ take.wav";
  ASSERT_GT(path.size(), std::size_t(PATH_MAX));
  const Bytes data = Pcm(500);
  ASSERT_EQ(WaveWriter::SaveFile(path, kMono8, data.data(), 500), WaveSaveStatus::Ok);
  WAVEFORMATEX back{};
  const WaveReader::Result r = WaveReader::ReadFile(path, back);
  ASSERT_EQ(r.status, WaveReadStatus::Ok);
  EXPECT_EQ(Bytes(r.data.get(), r.data.get() + r.size), data);
}

TEST(WaveSaveStatus, Text_NamesTheFailingStep) {
  using S = WaveSaveStatus;
  const std::pair<S, const char*> texts[] = {
      {S::NoFile, "No File"},       {S::NoWave, "No Wave"},       {S::NoFmt, "No fmt"},
      {S::NoFmtSize, "No fmtSize"}, {S::NoAsend, "No asend"},     {S::NoData, "No data"},
      {S::NoWrite, "No Write"},     {S::NoAssend1, "No assend1"}, {S::NoAssend2, "No assend2"},
      {S::Cancelled, "Cancelled"}};
  for (const auto& [status, text] : texts) EXPECT_STREQ(WaveSaveStatusText(status), text);
}
