// The program run from a shell: exit codes, what it prints and the files it writes. In a
// KELVOR_SANITIZE build the program runs with the sanitizers, leak detection included.

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "../files/WaveBytes.h"

using namespace wavebytes;

namespace {

struct Ran {
  int code;
  std::string out, err;
};

// Runs `env KELVOR_PROGRAM args` in sh: `env` sets variables and may end in a command
// that runs the program.
Ran Launch(const ScratchDir& dir, const std::string& env, const std::vector<std::string>& args) {
  std::string cmd = "env " + env + " " KELVOR_PROGRAM;
  for (const std::string& a : args) cmd += " '" + a + "'";  // no quote in the names here
  const int status = std::system((cmd + " >" + dir / "out" + " 2>" + dir / "err").c_str());
  const Bytes out = ReadAll(dir / "out"), err = ReadAll(dir / "err");
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1,
          {out.begin(), out.end()},
          {err.begin(), err.end()}};
}

std::pair<int, int> PngSize(const std::string& path) {
  const Bytes b = ReadAll(path);
  auto at = [&](std::size_t i) { return b.size() < 24 ? 0 : b[i] << 8 | b[i + 1]; };
  return {at(18), at(22)};
}

const std::string kOffscreen = "QT_QPA_PLATFORM=offscreen";

TEST(KelvorRun, AnalyseNamesTheCauseOfARefusalInPlainWords) {
  ScratchDir dir;
  chmod(dir.Path().c_str(), 0755);  // the run as nobody below looks inside
  auto fmt = [](std::uint16_t tag, std::uint16_t bits) {
    return Riff(Chunk("fmt ", FmtBody(tag, 1, 8000, bits, bits / 8)) + Chunk("data", Pcm(64)));
  };
  const std::pair<Bytes, std::string> files[] = {
      {Bytes(600, 'x'), "not a RIFF WAVE file"},
      {fmt(3, 32), "Unsupported sound format: 32-bit floating-point samples (8- or 16-bit PCM"},
      {fmt(0xFFFE, 16), "Unsupported sound format: an extensible format record"},
      {fmt(7, 8), "Unsupported sound format: \xc2\xb5-law samples (8- or 16-bit PCM"},
      {Standard(1, 8000, 24, Pcm(300)), "Unsupported sound format: 24 bits per sample"},
      {Standard(1, 8000, 8, Pcm(600)), "cannot be read: Permission denied\n"}};
  std::vector<std::pair<std::string, std::string>> cases{
      {dir / "missing.wav", "no such file\n"}, {dir.Path(), "is a directory, not a WAVE file\n"}};
  for (const auto& [bytes, cause] : files) {
    cases.push_back({dir / (std::to_string(cases.size()) + ".wav"), cause});
    WriteAll(cases.back().first, bytes);
  }
  chmod(cases.back().first.c_str(), 0);  // root reads it anyway: run as nobody
  const std::string nobody = geteuid() ? "" : "setpriv --reuid=65534 --regid=65534 --clear-groups";
  for (const auto& [path, cause] : cases) {
    const Ran r = Launch(dir, nobody, {"--analyse", path});
    EXPECT_EQ(r.code, 1) << path;
    EXPECT_EQ(r.err.rfind("kelvor: " + path + ": " + cause, 0), 0u) << r.err;
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
  }
}

TEST(KelvorRun, ANameThatIsNotUtf8KeepsItsBytes) {
  ScratchDir dir;
  const std::string cafe = dir / "caf\xe9.wav", png = dir / "shot\xe9.png";
  WriteAll(cafe, ReadAll(KELVOR_DEMO));
  // Also after the toolkit's own options have been taken out of the arguments.
  Ran r = Launch(dir, "", {"-platform", "offscreen", "--analyse", cafe});
  EXPECT_EQ(r.out.rfind("seconds,base_hz\n0.000,220\n", 0), 0u) << r.err;
  // The window opens it at start: no box, and the picture is written.
  r = Launch(dir, kOffscreen, {cafe, "--screenshot", png});
  EXPECT_EQ(r.err.find("kelvor: ["), std::string::npos) << r.err;
  EXPECT_EQ(PngSize(png).first, 638) << r.err;
}

TEST(KelvorRun, ScreenshotOfTheMixerOnlyWhenItOpens) {
  ScratchDir dir;
  Ran r = Launch(dir, kOffscreen, {KELVOR_DEMO, "--mixer", "--screenshot", dir / "m.png"});
  EXPECT_EQ(PngSize(dir / "m.png"), std::make_pair(620, 468)) << r.err;
  // fftmix refuses a stereo sound: its box, and no picture.
  WriteAll(dir / "stereo.wav", Standard(2, 8000, 16, Pcm(8000)));
  r = Launch(dir, kOffscreen, {dir / "stereo.wav", "--mixer", "--screenshot", dir / "s.png"});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("kelvor: [error] 2channel\nkelvor: the mixer window did not open"),
            std::string::npos)
      << r.err;
}

TEST(KelvorRun, ADisplayNobodyServesIsOneLineAndExitCodeOne) {
  ScratchDir dir;
  int n = 97;  // a display no server listens at
  while (access(("/tmp/.X11-unix/X" + std::to_string(n)).c_str(), F_OK) == 0) ++n;
  const std::string display = ":" + std::to_string(n);
  const Ran r = Launch(dir, "QT_QPA_PLATFORM= WAYLAND_DISPLAY= DISPLAY=" + display, {});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err, "kelvor: cannot connect to the display \"" + display +
                       "\"; run it in a desktop session or under xvfb-run\n");
}

}  // namespace
