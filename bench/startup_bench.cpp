// Start to the first mapped window: kelvor (no arguments) against a Qt hello-world
// (qt_hello.cpp), on the X display in DISPLAY (run under xvfb-run). Each repetition starts
// both, one after the other, in alternating order, 31 times: the machine's load falls on
// both alike.
// The time is from the spawn of the process to the MapNotify of its first top-level window,
// as an X client watching the root window sees it; the program is then ended. Left out:
// the first paint (a map comes before it), the window manager (none under Xvfb), and
// whatever runs after the map (kelvor's device scan starts once the window is exposed).
// The programs run with the environment given (for kelvor: the sound server it finds).
// KELVOR_STARTUP_PROGRAM names another build of kelvor to time instead (an older one).
// Reported: the medians of both times and of the ratio of each pair (and the fastest of
// each). Target: kelvor at most 1.3 x the hello-world.

#include <X11/Xlib.h>
#include <benchmark/benchmark.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

extern char** environ;

namespace {
using Clock = std::chrono::steady_clock;

// Seconds from spawning `program` to the map of a top-level window, or -1.
double SecondsToMap(Display* x, const char* program) {
  XSync(x, True);  // drop what earlier runs left
  const Clock::time_point start = Clock::now();
  pid_t pid = 0;
  char* argv[] = {const_cast<char*>(program), nullptr};
  if (posix_spawn(&pid, program, nullptr, nullptr, argv, environ) != 0) return -1;
  double seconds = -1;
  const int fd = ConnectionNumber(x);
  while (seconds < 0 && Clock::now() - start < std::chrono::seconds(20)) {
    while (XPending(x) > 0) {
      XEvent e;
      XNextEvent(x, &e);
      if (e.type == MapNotify && !e.xmap.override_redirect && seconds < 0)
        seconds = std::chrono::duration<double>(Clock::now() - start).count();
    }
    if (seconds >= 0) break;
    fd_set read;
    FD_ZERO(&read);
    FD_SET(fd, &read);
    timeval tick{0, 2000};
    select(fd + 1, &read, nullptr, nullptr, &tick);
  }
  kill(pid, SIGTERM);
  int status = 0;
  waitpid(pid, &status, 0);
  return seconds;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

void BM_StartToMappedWindow(benchmark::State& state) {
  Display* x = XOpenDisplay(nullptr);
  if (!x) {
    state.SkipWithError("no X display (run under xvfb-run)");
    return;
  }
  XSelectInput(x, DefaultRootWindow(x), SubstructureNotifyMask);
  const char* other = std::getenv("KELVOR_STARTUP_PROGRAM");
  const char* program = other && *other ? other : KELVOR_PATH;
  std::vector<double> kelvor, hello;
  bool helloFirst = true;
  for (auto _ : state) {
    const auto t0 = Clock::now();
    for (int k = 0; k < 2; ++k) {
      const bool runHello = (k == 0) == helloFirst;
      const double s = SecondsToMap(x, runHello ? KELVOR_HELLO_PATH : program);
      if (s < 0) {
        state.SkipWithError(runHello ? "the hello-world did not map" : "kelvor did not map");
        XCloseDisplay(x);
        return;
      }
      (runHello ? hello : kelvor).push_back(s);
    }
    helloFirst = !helloFirst;
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - t0).count());
  }
  XCloseDisplay(x);
  // Each pair ran back to back: the median of the pairs' ratios follows the machine's load
  // less than the ratio of the medians.
  std::vector<double> ratios;
  for (std::size_t i = 0; i < kelvor.size() && i < hello.size(); ++i)
    ratios.push_back(kelvor[i] / hello[i]);
  state.counters["kelvor_ms"] = Median(kelvor) * 1e3;
  state.counters["hello_ms"] = Median(hello) * 1e3;
  state.counters["ratio"] = Median(ratios);
  state.counters["kelvor_min_ms"] = *std::min_element(kelvor.begin(), kelvor.end()) * 1e3;
  state.counters["hello_min_ms"] = *std::min_element(hello.begin(), hello.end()) * 1e3;
}
BENCHMARK(BM_StartToMappedWindow)->Iterations(31)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
