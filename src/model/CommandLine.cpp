#include "model/CommandLine.h"

#include <charconv>

namespace {
CommandLine Fail(std::string what, bool toolkitOption = false) {
  CommandLine c;
  c.mode = CommandLine::Mode::Error;
  c.error = std::move(what);
  c.toolkitOption = toolkitOption;
  return c;
}

// A window size the spectrum view offers; nothing else, not even "+512" or "0x200".
bool ParseFftSize(const std::string& text, std::uint32_t& out) {
  std::uint32_t n = 0;
  const char* end = text.data() + text.size();
  const auto r = std::from_chars(text.data(), end, n);
  if (text.empty() || r.ec != std::errc() || r.ptr != end) return false;
  if (n < 256 || n > 4096 || (n & (n - 1)) != 0) return false;
  out = n;
  return true;
}
}  // namespace

std::string CommandLine::Usage() {
  return "usage: kelvor [FILE.wav] [--mixer] [--screenshot OUT.png]\n"
         "       kelvor --analyse FILE.wav [--size N]\n"
         "       kelvor --version | --help\n"
         "\n"
         "  FILE.wav              open this WAVE file at start, as File > Open does\n"
         "  --mixer               open the tone mixer at start: by fftmix on FILE.wav's\n"
         "                        spectrum, or as the Mixer button does without a file\n"
         "  --screenshot OUT.png  save the window (with --mixer the mixer window) as a\n"
         "                        PNG once it is shown, then end; no sound is played\n"
         "  --analyse FILE.wav    print the readout's base frequency as CSV\n"
         "                        \"seconds,base_hz\", one row per window of N frames\n"
         "  --size N              frames per window: 256, 512 (default), 1024, 2048, 4096\n"
         "  --version             print the program's version\n"
         "  --help                print this help\n"
         "See kelvor(1) for the details.\n";
}

std::string CommandLine::VersionLine(const std::string& version) { return "kelvor " + version; }

CommandLine CommandLine::Parse(const std::vector<std::string>& args) {
  CommandLine c;
  bool analyse = false, sizeGiven = false, optionsEnded = false;
  std::string sizeText;
  std::vector<std::string> files;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (optionsEnded || a.empty() || a[0] != '-' || a == "-") {
      files.push_back(a);
      continue;
    }
    if (a == "--") {
      optionsEnded = true;
      continue;
    }
    if (a[1] != '-') return Fail("unknown option " + a + " (see --help)", true);
    const std::size_t eq = a.find('=');
    const std::string name = a.substr(0, eq);
    if (name == "--help" || name == "--version") {
      if (eq != std::string::npos) return Fail(name + " takes no value");
      c.mode = name == "--help" ? Mode::Help : Mode::Version;
      return c;
    }
    if (name == "--mixer") {
      if (eq != std::string::npos) return Fail("--mixer takes no value");
      c.mixer = true;
      continue;
    }
    if (name != "--screenshot" && name != "--analyse" && name != "--size")
      return Fail("unknown option " + name + " (see --help)");
    std::string value;
    if (eq != std::string::npos) {
      value = a.substr(eq + 1);
    } else if (i + 1 < args.size()) {
      value = args[++i];
    } else {
      return Fail(name + " needs a value (see --help)");
    }
    if (value.empty()) return Fail(name + " needs a value (see --help)");
    if (name == "--screenshot") {
      c.screenshot = value;
    } else if (name == "--analyse") {
      if (analyse) return Fail("--analyse is given twice");
      analyse = true;
      c.file = value;
    } else {
      sizeGiven = true;
      sizeText = value;
    }
  }
  if (analyse) {
    if (!files.empty()) return Fail("--analyse reads one file; " + files.front() + " is extra");
    if (!c.screenshot.empty()) return Fail("--analyse and --screenshot do not go together");
    if (c.mixer) return Fail("--analyse and --mixer do not go together");
    if (sizeGiven && !ParseFftSize(sizeText, c.fftSize))
      return Fail("--size must be a power of two from 256 to 4096, not " + sizeText);
    c.mode = Mode::Analyse;
    return c;
  }
  if (sizeGiven) return Fail("--size goes with --analyse");
  if (files.size() > 1) return Fail("one file at most; " + files[1] + " is extra");
  if (!files.empty()) c.file = files.front();
  return c;
}
