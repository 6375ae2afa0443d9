// The program run from a shell: exit codes, what it prints and the files it writes. The
// program under test has its command-line start built with AddressSanitizer.

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "../files/WaveBytes.h"

extern char** environ;

using namespace wavebytes;

namespace {

struct Ran {
  int code = -1;
  std::string out, err;
};

// Runs `args` (args[0] the program) with the environment changed by `env` (an empty
// value removes the variable), stdout and stderr caught in files of `dir`.
Ran Launch(const ScratchDir& dir, std::vector<std::string> args,
        const std::map<std::string, std::string>& env = {}) {
  std::vector<std::string> vars;
  for (char** e = environ; *e; ++e) {
    const std::string v = *e;
    if (!env.contains(v.substr(0, v.find('=')))) vars.push_back(v);
  }
  for (const auto& [name, value] : env)
    if (!value.empty()) vars.push_back(name + "=" + value);
  vars.push_back("ASAN_OPTIONS=detect_leaks=0");  // the toolkit's own allocations at exit
  auto pointers = [](std::vector<std::string>& v) {
    std::vector<char*> p;
    for (std::string& s : v) p.push_back(s.data());
    p.push_back(nullptr);
    return p;
  };
  std::vector<char*> argv = pointers(args), envp = pointers(vars);
  const std::string out = dir / "stdout", err = dir / "stderr";
  posix_spawn_file_actions_t files;
  posix_spawn_file_actions_init(&files);
  posix_spawn_file_actions_addopen(&files, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&files, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  pid_t pid = 0;
  Ran r;
  if (posix_spawnp(&pid, argv[0], &files, nullptr, argv.data(), envp.data()) == 0) {
    int status = 0;
    waitpid(pid, &status, 0);
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  posix_spawn_file_actions_destroy(&files);
  const Bytes o = ReadAll(out), e = ReadAll(err);
  r.out.assign(o.begin(), o.end());
  r.err.assign(e.begin(), e.end());
  return r;
}

// Width and height of a PNG file; 0 x 0 when it is none.
std::pair<int, int> PngSize(const std::string& path) {
  const Bytes b = ReadAll(path);
  if (b.size() < 24 || b[1] != 'P' || b[2] != 'N' || b[3] != 'G') return {0, 0};
  auto u32 = [&](std::size_t i) { return b[i] << 24 | b[i + 1] << 16 | b[i + 2] << 8 | b[i + 3]; };
  return {u32(16), u32(20)};
}

const std::map<std::string, std::string> kOffscreen{{"QT_QPA_PLATFORM", "offscreen"}};

TEST(KelvorRun, AnalyseNamesTheCauseOfARefusalInPlainWords) {
  ScratchDir dir;
  chmod(dir.Path().c_str(), 0755);  // so that the unprivileged run below can look inside
  auto fmt = [](std::uint16_t tag, std::uint16_t bits) {
    return Riff(Chunk("fmt ", FmtBody(tag, 1, 8000, bits, bits / 8)) + Chunk("data", Pcm(64)));
  };
  const std::vector<std::pair<Bytes, std::string>> files{
      {Bytes(600, 'x'), "not a RIFF WAVE file"},
      {fmt(3, 32), "Unsupported sound format: 32-bit floating-point samples (8- or 16-bit PCM"},
      {fmt(0xFFFE, 16), "Unsupported sound format: an extensible format record"},
      {fmt(7, 8), "Unsupported sound format: \xc2\xb5-law samples (8- or 16-bit PCM"},
      {Standard(1, 8000, 24, Pcm(300)), "Unsupported sound format: 24 bits per sample"},
      {Riff(Chunk("fmt ", FmtBody(1, 1, 8000, 16, 2))), "no \"data\" chunk"}};
  std::vector<std::pair<std::string, std::string>> cases{
      {dir / "missing.wav", "no such file"}, {dir.Path(), "is a directory, not a WAVE file"}};
  for (std::size_t i = 0; i < files.size(); ++i) {
    cases.push_back({dir / ("f" + std::to_string(i) + ".wav"), files[i].second});
    WriteAll(cases.back().first, files[i].first);
  }
  for (const auto& [path, cause] : cases) {
    const Ran r = Launch(dir, {KELVOR_PROGRAM, "--analyse", path});
    EXPECT_EQ(r.code, 1) << path;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err.rfind("kelvor: " + path + ": " + cause, 0), 0u) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
  }

  // A file its reader may not open: the system's reason. Root reads everything, so the
  // program then runs as nobody.
  const std::string locked = dir / "locked.wav";
  WriteAll(locked, Standard(1, 8000, 8, Pcm(600)));
  chmod(locked.c_str(), 0);
  std::vector<std::string> args{KELVOR_PROGRAM, "--analyse", locked};
  if (geteuid() == 0)
    args.insert(args.begin(), {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"});
  const Ran r = Launch(dir, args);
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err, "kelvor: " + locked + ": cannot be read: Permission denied\n");
}

TEST(KelvorRun, ANameThatIsNotUtf8KeepsItsBytes) {
  ScratchDir dir;
  const std::string cafe = dir / "caf\xe9.wav", png = dir / "shot\xe9.png";
  WriteAll(cafe, ReadAll(KELVOR_DEMO));
  // Also after the toolkit's own options have been taken out of the arguments.
  Ran r = Launch(dir, {KELVOR_PROGRAM, "-platform", "offscreen", "--analyse", cafe});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out.rfind("seconds,base_hz\n0.000,220\n", 0), 0u) << r.out;
  // The window opens it at start: no box, and the screenshot taken.
  r = Launch(dir, {KELVOR_PROGRAM, cafe, "--screenshot", png}, kOffscreen);
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.err.find("kelvor: ["), std::string::npos) << r.err;
  EXPECT_EQ(PngSize(png).first, 638);
}

TEST(KelvorRun, ScreenshotOfTheMainWindowOrOfTheMixer) {
  ScratchDir dir;
  const std::string main = dir / "main.png", mixer = dir / "mixer.png";
  Ran r = Launch(dir, {KELVOR_PROGRAM, "--screenshot", main}, kOffscreen);
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(PngSize(main).first, 638);
  r = Launch(dir, {KELVOR_PROGRAM, KELVOR_DEMO, "--mixer", "--screenshot", mixer}, kOffscreen);
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(PngSize(mixer), std::make_pair(620, 468));
  EXPECT_EQ(r.err.find("kelvor: ["), std::string::npos) << r.err;  // fftmix took it over
  // A stereo sound cannot go to the mixer: fftmix's box, and no picture.
  const std::string stereo = dir / "stereo.wav";
  WriteAll(stereo, Standard(2, 8000, 16, Pcm(8000)));
  r = Launch(dir, {KELVOR_PROGRAM, stereo, "--mixer", "--screenshot", dir / "no.png"}, kOffscreen);
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("kelvor: [error] 2channel\n"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("the mixer window did not open"), std::string::npos) << r.err;
  EXPECT_EQ(access((dir / "no.png").c_str(), F_OK), -1);
  // An unwritable place for the picture.
  r = Launch(dir, {KELVOR_PROGRAM, "--screenshot", dir / "none/x.png"}, kOffscreen);
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("cannot write " + dir / "none/x.png" + ": No such file"),
            std::string::npos) << r.err;
}

TEST(KelvorRun, ADisplayNobodyServesIsOneLineAndExitCodeOne) {
  ScratchDir dir;
  int n = 97;
  while (access(("/tmp/.X11-unix/X" + std::to_string(n)).c_str(), F_OK) == 0) ++n;
  const std::string display = ":" + std::to_string(n);
  const Ran r = Launch(dir, {KELVOR_PROGRAM},
                    {{"DISPLAY", display}, {"QT_QPA_PLATFORM", ""}, {"WAYLAND_DISPLAY", ""}});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err, "kelvor: cannot connect to the display \"" + display +
                       "\"; run it in a desktop session or under xvfb-run\n");
}

}  // namespace
