// The fuzz targets without libFuzzer, for every build with the tests (any compiler): each
// target's entry point is compiled under a name of its own (fuzz/CMakeLists.txt), and
//   fuzz_replay TARGET PATH...
// feeds it every file named, or found in a directory named: the seed corpora, or an input
// a fuzzer found. A target ends the program on a fault; exit 0 after the last file.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string_view>
#include <vector>

#define KELVOR_FUZZ_TARGETS(X) \
  X(wave_reader_fuzz) X(riff_walk_fuzz) X(mixer_file_fuzz) X(analyse_fuzz)

#define KELVOR_DECLARE(name) \
  extern "C" int KelvorFuzz_##name(const std::uint8_t* data, std::size_t size);
KELVOR_FUZZ_TARGETS(KELVOR_DECLARE)

namespace {

using Target = int (*)(const std::uint8_t*, std::size_t);

struct Named {
  std::string_view name;
  Target run;
};

#define KELVOR_ENTRY(name) Named{#name, KelvorFuzz_##name},
constexpr Named kTargets[] = {KELVOR_FUZZ_TARGETS(KELVOR_ENTRY)};

int RunFile(Target run, const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "fuzz_replay: cannot read %s\n", path.c_str());
    return 1;
  }
  const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
  static const std::uint8_t kNothing = 0;  // libFuzzer never passes a null pointer
  run(bytes.empty() ? &kNothing : bytes.data(), bytes.size());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  Target run = nullptr;
  for (const Named& t : kTargets)
    if (argc >= 2 && t.name == argv[1]) run = t.run;
  if (!run) {
    std::fprintf(stderr, "usage: fuzz_replay TARGET PATH...\n");
    return 2;
  }
  int files = 0;
  for (int i = 2; i < argc; ++i) {
    const std::filesystem::path path(argv[i]);
    if (std::filesystem::is_directory(path)) {
      for (const auto& entry : std::filesystem::directory_iterator(path)) {
        if (!entry.is_regular_file()) continue;
        if (RunFile(run, entry.path()) != 0) return 1;
        ++files;
      }
    } else {
      if (RunFile(run, path) != 0) return 1;
      ++files;
    }
  }
  std::printf("fuzz_replay: %s: %d inputs, no fault\n", argv[1], files);
  return files > 0 ? 0 : 1;
}
