// Opening and saving a long sound: 200 MB of 16-bit stereo (about 17 minutes at 48 kHz),
// and walking files that are not sound at all.
//
// Load, with the file already in the page cache (made and read once before the runs):
// - Load/Kelvor: WaveReader::ReadFile, the block freed after each run. Its block is the
//   huge-page block of base/Heap (a fresh mapping advised for transparent huge pages).
// - Load/Libsndfile: sf_open, then sf_readf_short of every frame into a block it mallocs
//   per run and frees after (glibc's default malloc: 4 KiB pages). For 16-bit PCM on a
//   little-endian host both end with the file's sample bytes in memory, unchanged; the
//   outputs are compared once before the runs.
// - Load/LibsndfileHugePages: the same, into the very block our reader gets (a fresh
//   mapping advised in this process with madvise(MADV_HUGEPAGE), as glibc's malloc does
//   for large blocks under GLIBC_TUNABLES=glibc.malloc.hugetlb=1).
// - Load/FreshFloor: read() of the whole file, 8 MiB per call as our reader goes, into
//   such a fresh huge-page block, freed after: the floor for any loader that must fill
//   new memory.
// - Load/ReadLoop: open and read() the file into one reused 1 MiB buffer, as cat does:
//   the rate of the page cache's copy alone, with no fresh memory to fill.
// What these show: the load's lead over libsndfile with default malloc is the huge-page
// block, not the reader. Given huge pages too, libsndfile comes close, and our reader
// sits at the fresh-memory floor; the time left is faulting in and filling new memory.
//
// Walk, files that are no sound, against a plain read() of the same file (reused 1 MiB
// buffer) in the same run:
// - Walk/Zeros: ReadFile of 256 MiB of zeros ("No Wave" after walking 32 M empty
//   top-level chunks); Walk/ZerosRead reads that file.
// - Walk/EmptyChunks: ReadFile of a WAVE file whose fmt chunk is followed by 13 M empty
//   chunks (104 MB) and a 1000-byte data chunk; Walk/EmptyChunksRead reads that file.
//
// Save, of the same 200 MB from a block in memory to a file in the same scratch
// directory, removed before each run outside the timing:
// - Save/Kelvor: WaveWriter::SaveFile (a temporary file, fsync, rename over the target,
//   fsync of the directory).
// - Save/Libsndfile: sf_open for writing WAV with PCM_16, sf_writef_short of the same
//   samples, sf_close, then fsync of the file and of the directory, so that both end
//   with the sound on disk.
// Peak memory: one load in a child process, the growth of its peak resident set (VmHWM,
// reset through clear_refs) over the file's size; also for an Open followed by an
// AddFile of the same file, whose sound is then twice the file.
//
// Left out: reading from disk with a cold cache (the disk's speed, not ours), the
// window's progress box, any format conversion (none is needed for this format), and
// saving in place over a file with other links or another owner (it reads the old file
// into memory first).
//
// Run: build/bench/kelvor_load_bench [--benchmark_repetitions=N]. The table at the end
// takes the median wall time of each benchmark's repetitions; the runs are interleaved
// at random so that drifts of the machine fall on all of them alike. KELVOR_BENCH_DIR
// chooses the scratch directory's parent (default: the system's temporary directory).

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sndfile.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "base/Heap.h"
#include "files/WaveReader.h"
#include "files/WaveWriter.h"

namespace {
constexpr std::int64_t kSoundBytes = 200'000'000;  // whole 4-byte frames
constexpr std::int64_t kFrames = kSoundBytes / 4;
const WAVEFORMATEX kFormat{1, 2, 48000, 192000, 4, 16, 0};

constexpr std::int64_t kZeroBytes = std::int64_t{256} << 20;
constexpr std::int64_t kEmptyChunks = 13'000'000;

std::string scratchDir;
std::string loadPath;
std::string zerosPath;
std::string chunksPath;
std::uint8_t* sound = nullptr;  // what the saves write, from Heap like the held sound

void Fail(const char* what) {
  std::fprintf(stderr, "kelvor_load_bench: %s\n", what);
  std::exit(1);
}

// The load test file: a 46-byte header (as the saves write it) and varied samples.
void MakeLoadFile() {
  sound = static_cast<std::uint8_t*>(Heap::Alloc(kSoundBytes));
  if (!sound) Fail("no memory for the sound");
  std::uint32_t x = 12345;
  for (std::int64_t i = 0; i < kSoundBytes; i += 4) {
    x = x * 1664525u + 1013904223u;
    std::memcpy(sound + i, &x, 4);
  }
  if (WaveWriter::SaveFile(loadPath, kFormat, sound, kSoundBytes) != WaveSaveStatus::Ok)
    Fail("cannot write the test file");
}

double ReadLoop(const std::string& path = loadPath) {
  static std::vector<char> buffer(1 << 20);
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) Fail("cannot open the test file");
  std::int64_t total = 0;
  for (ssize_t n; (n = read(fd, buffer.data(), buffer.size())) > 0;) total += n;
  close(fd);
  return double(total);
}

// The block our reader fills: a fresh mapping on a 2 MiB boundary, advised for
// transparent huge pages (base/Heap). glibc's malloc gives a large block the same advice
// under GLIBC_TUNABLES=glibc.malloc.hugetlb=1.
void* HugePageBlock(std::size_t bytes) { return Heap::Alloc(bytes); }

// Loads with libsndfile into a block from `alloc(bytes)`; returns it or nullptr.
template <class Alloc>
short* LibsndfileLoad(sf_count_t& frames, Alloc alloc) {
  SF_INFO info{};
  SNDFILE* sf = sf_open(loadPath.c_str(), SFM_READ, &info);
  if (!sf) return nullptr;
  auto* samples =
      static_cast<short*>(alloc(std::size_t(info.frames) * std::size_t(info.channels) * 2));
  frames = samples ? sf_readf_short(sf, samples, info.frames) : 0;
  sf_close(sf);
  return samples;
}

short* LibsndfileLoad(sf_count_t& frames) {
  return LibsndfileLoad(frames, [](std::size_t bytes) { return std::malloc(bytes); });
}

// The walk's files: 256 MiB of zeros, and a WAVE file with 13 M empty chunks between
// its fmt chunk and a short data chunk.
void MakeWalkFiles() {
  std::vector<std::uint8_t> block(std::size_t{1} << 20);
  FILE* zeros = std::fopen(zerosPath.c_str(), "wb");
  for (std::int64_t done = 0; zeros && done < kZeroBytes; done += std::int64_t(block.size()))
    std::fwrite(block.data(), 1, block.size(), zeros);
  FILE* chunks = std::fopen(chunksPath.c_str(), "wb");
  if (!zeros || !chunks || std::fclose(zeros) != 0) Fail("cannot write the walk files");
  const std::uint32_t dataBytes = 1000;
  const std::uint32_t riffSize = 4 + 24 + std::uint32_t(kEmptyChunks) * 8 + 8 + dataBytes;
  const std::uint8_t fmt[24] = {'f',  'm',  't', ' ', 16,   0,    0, 0, 1, 0, 1, 0,
                                0x40, 0x1F, 0,   0,   0x40, 0x1F, 0, 0, 1, 0, 8, 0};
  std::fwrite("RIFF", 1, 4, chunks);
  std::fwrite(&riffSize, 4, 1, chunks);  // the host is little-endian, like the file
  std::fwrite("WAVE", 1, 4, chunks);
  std::fwrite(fmt, 1, sizeof fmt, chunks);
  for (std::size_t i = 0; i < block.size(); i += 8) std::memcpy(&block[i], "JUNK\0\0\0\0", 8);
  for (std::int64_t left = kEmptyChunks * 8; left > 0; left -= std::int64_t(block.size()))
    std::fwrite(block.data(), 1, std::size_t(std::min<std::int64_t>(left, block.size())), chunks);
  std::fwrite("data", 1, 4, chunks);
  std::fwrite(&dataBytes, 4, 1, chunks);
  std::fwrite(std::vector<std::uint8_t>(dataBytes, 128).data(), 1, dataBytes, chunks);
  if (std::fclose(chunks) != 0) Fail("cannot write the walk files");
}

void SyncPathAndDirectory(const std::string& path) {
  for (const std::string& p : {path, scratchDir}) {
    const int fd = open(p.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 || fsync(fd) != 0) Fail("fsync failed");
    close(fd);
  }
}

void BM_Load_Kelvor(benchmark::State& state) {
  for (auto _ : state) {
    WAVEFORMATEX format{};
    const WaveReader::Result r = WaveReader::ReadFile(loadPath, format);
    if (r.status != WaveReadStatus::Ok || r.size != kSoundBytes) state.SkipWithError("load failed");
    benchmark::DoNotOptimize(r.data.get());
  }
  state.SetBytesProcessed(state.iterations() * kSoundBytes);
}

void BM_Load_Libsndfile(benchmark::State& state) {
  for (auto _ : state) {
    sf_count_t frames = 0;
    short* samples = LibsndfileLoad(frames);
    if (!samples || frames != kFrames) state.SkipWithError("load failed");
    benchmark::DoNotOptimize(samples);
    std::free(samples);
  }
  state.SetBytesProcessed(state.iterations() * kSoundBytes);
}

void BM_Load_LibsndfileHugePages(benchmark::State& state) {
  for (auto _ : state) {
    sf_count_t frames = 0;
    short* samples = LibsndfileLoad(frames, HugePageBlock);
    if (!samples || frames != kFrames) state.SkipWithError("load failed");
    benchmark::DoNotOptimize(samples);
    Heap::Free(samples);
  }
  state.SetBytesProcessed(state.iterations() * kSoundBytes);
}

void BM_Load_FreshFloor(benchmark::State& state) {
  const auto bytes = std::size_t(std::filesystem::file_size(loadPath));
  for (auto _ : state) {
    auto* block = static_cast<char*>(HugePageBlock(bytes));
    const int fd = open(loadPath.c_str(), O_RDONLY | O_CLOEXEC);
    std::size_t done = 0;  // in the reader's steps: one read() of it all is slower
    for (ssize_t n; block && fd >= 0 && done < bytes &&
                    (n = read(fd, block + done, std::min(bytes - done, kProgressStepBytes))) > 0;)
      done += std::size_t(n);
    if (fd >= 0) close(fd);
    if (done != bytes) state.SkipWithError("read failed");
    benchmark::DoNotOptimize(block);
    Heap::Free(block);
  }
  state.SetBytesProcessed(state.iterations() * kSoundBytes);
}

void BM_Walk_Zeros(benchmark::State& state) {
  for (auto _ : state) {
    WAVEFORMATEX format{};
    if (WaveReader::ReadFile(zerosPath, format).status != WaveReadStatus::NoWave)
      state.SkipWithError("the zero file was not refused");
  }
  state.SetBytesProcessed(state.iterations() * kZeroBytes);
}

void BM_Walk_ZerosRead(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(ReadLoop(zerosPath));
  state.SetBytesProcessed(state.iterations() * kZeroBytes);
}

void BM_Walk_EmptyChunks(benchmark::State& state) {
  for (auto _ : state) {
    WAVEFORMATEX format{};
    const WaveReader::Result r = WaveReader::ReadFile(chunksPath, format);
    if (r.status != WaveReadStatus::Ok || r.size != 1000) state.SkipWithError("no sound found");
  }
  state.SetBytesProcessed(state.iterations() * kEmptyChunks * 8);
}

void BM_Walk_EmptyChunksRead(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(ReadLoop(chunksPath));
  state.SetBytesProcessed(state.iterations() * kEmptyChunks * 8);
}

void BM_Load_ReadLoop(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(ReadLoop());
  state.SetBytesProcessed(state.iterations() * kSoundBytes);
}

void BM_Save_Kelvor(benchmark::State& state) {
  const std::string path = scratchDir + "/kelvor.wav";
  for (auto _ : state) {
    state.PauseTiming();
    unlink(path.c_str());
    state.ResumeTiming();
    if (WaveWriter::SaveFile(path, kFormat, sound, kSoundBytes) != WaveSaveStatus::Ok)
      state.SkipWithError("save failed");
  }
  state.SetBytesProcessed(state.iterations() * kSoundBytes);
}

void BM_Save_Libsndfile(benchmark::State& state) {
  const std::string path = scratchDir + "/libsndfile.wav";
  for (auto _ : state) {
    state.PauseTiming();
    unlink(path.c_str());
    state.ResumeTiming();
    SF_INFO info{};
    info.samplerate = 48000;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* sf = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!sf) {
      state.SkipWithError("sf_open failed");
      break;
    }
    const sf_count_t written = sf_writef_short(sf, reinterpret_cast<short*>(sound), kFrames);
    sf_close(sf);
    SyncPathAndDirectory(path);
    if (written != kFrames) state.SkipWithError("save failed");
  }
  state.SetBytesProcessed(state.iterations() * kSoundBytes);
}

BENCHMARK(BM_Load_Kelvor)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_Load_Libsndfile)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_Load_LibsndfileHugePages)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_Load_FreshFloor)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_Load_ReadLoop)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_Walk_Zeros)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_Walk_ZerosRead)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_Walk_EmptyChunks)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_Walk_EmptyChunksRead)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_Save_Kelvor)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_Save_Libsndfile)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

long StatusKiB(const char* field) {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind(field, 0) == 0) return std::atol(line.c_str() + std::strlen(field));
  return -1;
}

// One load in a child process; the growth of its peak resident set in bytes, or -1.
template <typename Load>
double PeakGrowth(Load load) {
  int pipeFds[2];
  if (pipe(pipeFds) != 0) return -1;
  const pid_t pid = fork();
  if (pid == 0) {
    close(pipeFds[0]);
    std::ofstream("/proc/self/clear_refs") << "5";  // the peak starts again from here
    const long before = StatusKiB("VmRSS:");
    load();
    const double growth = double(StatusKiB("VmHWM:") - before) * 1024.0;
    (void)!write(pipeFds[1], &growth, sizeof growth);
    _exit(0);
  }
  close(pipeFds[1]);
  double growth = -1;
  if (read(pipeFds[0], &growth, sizeof growth) != sizeof growth) growth = -1;
  close(pipeFds[0]);
  waitpid(pid, nullptr, 0);
  return growth;
}

// Keeps each benchmark's wall times, for the table printed at the end.
class TableReporter : public benchmark::ConsoleReporter {
public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs)
      if (r.run_type == Run::RT_Iteration && !r.error_occurred)
        times_[r.run_name.function_name].push_back(r.GetAdjustedRealTime());
    ConsoleReporter::ReportRuns(runs);
  }

  double Median(const std::string& name) const {
    const auto it = times_.find(name);
    if (it == times_.end() || it->second.empty()) return 0;
    std::vector<double> t = it->second;
    std::sort(t.begin(), t.end());
    return t.size() % 2 ? t[t.size() / 2] : (t[t.size() / 2 - 1] + t[t.size() / 2]) / 2;
  }

private:
  std::map<std::string, std::vector<double>> times_;
};
}  // namespace

int main(int argc, char** argv) {
  // Interleaved repetitions by default; explicit arguments come after and win.
  std::vector<char*> args(argv, argv + argc);
  char repetitions[] = "--benchmark_repetitions=5";
  char interleave[] = "--benchmark_enable_random_interleaving=true";
  args.insert(args.begin() + 1, {repetitions, interleave});
  int count = int(args.size());
  benchmark::Initialize(&count, args.data());
  if (benchmark::ReportUnrecognizedArguments(count, args.data())) return 1;

  const char* parent = std::getenv("KELVOR_BENCH_DIR");
  std::string pattern =
      (parent ? std::filesystem::path(parent) : std::filesystem::temp_directory_path()) /
      "kelvor-load-XXXXXX";
  if (!mkdtemp(pattern.data())) Fail("cannot make the scratch directory");
  scratchDir = pattern;
  loadPath = scratchDir + "/load.wav";
  zerosPath = scratchDir + "/zeros.wav";
  chunksPath = scratchDir + "/chunks.wav";
  MakeLoadFile();
  MakeWalkFiles();
  for (const std::string& p : {loadPath, zerosPath, chunksPath}) ReadLoop(p);  // page cache

  // Same output: the samples that both loaders hold are the file's bytes.
  WAVEFORMATEX format{};
  const WaveReader::Result ours = WaveReader::ReadFile(loadPath, format);
  sf_count_t frames = 0;
  short* theirs = LibsndfileLoad(frames);
  if (ours.status != WaveReadStatus::Ok || ours.size != kSoundBytes || frames != kFrames ||
      std::memcmp(ours.data.get(), theirs, kSoundBytes) != 0 ||
      std::memcmp(ours.data.get(), sound, kSoundBytes) != 0)
    Fail("the loaders disagree about the sound");
  std::free(theirs);

  const double peakOurs = PeakGrowth([] {
    WAVEFORMATEX f{};
    (void)WaveReader::ReadFile(loadPath, f);
  });
  const double peakAdd = PeakGrowth([] {  // Open, then AddFile of the same file
    WAVEFORMATEX f{};
    WaveReader::Result r = WaveReader::ReadFile(loadPath, f);
    WaveReader::HeldSound held{std::move(r.data), r.size, f};
    if (WaveReader::AppendFile(loadPath, held) != WaveReadStatus::Ok) std::abort();
  });
  const double peakTheirs = PeakGrowth([] {
    sf_count_t n = 0;
    std::free(LibsndfileLoad(n));
  });

  TableReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();

  const double fileBytes = double(std::filesystem::file_size(loadPath));
  const auto median = [&reporter](const char* name) { return reporter.Median(name); };
  const double loadOurs = median("BM_Load_Kelvor");
  const double loadTheirs = median("BM_Load_Libsndfile");
  const double loadTheirsHuge = median("BM_Load_LibsndfileHugePages");
  const double loadFloor = median("BM_Load_FreshFloor");
  const double loadCat = median("BM_Load_ReadLoop");
  const double saveOurs = median("BM_Save_Kelvor");
  const double saveTheirs = median("BM_Save_Libsndfile");
  std::printf("\nMedian wall time, ms (200 MB 16-bit stereo)\n");
  std::printf("%-40s %10.1f\n", "load: Kelvor (huge-page block)", loadOurs);
  std::printf("%-40s %10.1f\n", "load: libsndfile, malloc", loadTheirs);
  std::printf("%-40s %10.1f\n", "load: libsndfile, huge-page block", loadTheirsHuge);
  std::printf("%-40s %10.1f\n", "load: read() into fresh huge pages", loadFloor);
  std::printf("%-40s %10.1f\n", "load: read loop (cat)", loadCat);
  std::printf("%-40s %10.1f\n", "save: Kelvor", saveOurs);
  std::printf("%-40s %10.1f\n", "save: libsndfile", saveTheirs);
  if (loadOurs > 0 && saveOurs > 0) {
    std::printf("\n%-40s %9.2fx\n", "load speed vs libsndfile, malloc", loadTheirs / loadOurs);
    std::printf("%-40s %9.2fx\n", "load speed vs libsndfile, huge pages",
                loadTheirsHuge / loadOurs);
    std::printf("%-40s %9.2fx\n", "load time vs fresh-memory floor", loadOurs / loadFloor);
    std::printf("%-40s %9.2fx\n", "load time vs read loop (cat)", loadOurs / loadCat);
    std::printf("%-40s %9.2fx  (target >= 1)\n", "save speed vs libsndfile", saveTheirs / saveOurs);
  }
  std::printf("%-40s %9.3f   (target <= 1.1)\n", "peak memory / file, Kelvor",
              peakOurs / fileBytes);
  std::printf("%-40s %9.3f\n", "peak memory / file, libsndfile", peakTheirs / fileBytes);
  std::printf("%-40s %9.3f   (the sound is 2 files long)\n", "peak memory / file, Open+AddFile",
              peakAdd / fileBytes);
  const double zeros = median("BM_Walk_Zeros"), zerosRead = median("BM_Walk_ZerosRead");
  const double chunks = median("BM_Walk_EmptyChunks"),
               chunksRead = median("BM_Walk_EmptyChunksRead");
  std::printf("\nMedian wall time, ms, files that are no sound\n");
  std::printf("%-40s %10.1f   read(): %8.1f  (%.2fx)\n", "256 MiB of zeros, \"No Wave\"", zeros,
              zerosRead, zerosRead > 0 ? zeros / zerosRead : 0.0);
  std::printf("%-40s %10.1f   read(): %8.1f  (%.2fx)\n", "13 M empty chunks, then the sound",
              chunks, chunksRead, chunksRead > 0 ? chunks / chunksRead : 0.0);

  Heap::Free(sound);
  std::filesystem::remove_all(scratchDir);
  return 0;
}
