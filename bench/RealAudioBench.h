#pragma once
// What the real-path benchmarks share: the private sound server they measure against
// (started by bench/run-audio-benches.sh: a PulseAudio null sink at 48 kHz, no other
// client), CPU time and wake-ups of this process, of the server and of an anchor program
// (paplay, parec), read from /proc, and the anchors themselves.
//
// CPU is the time the kernel charged (schedstat: nanoseconds), so a share holds under load;
// a share is CPU time over the wall time of the window measured. Wake-ups are voluntary
// context switches: a thread that sleeps and is woken counts one. Of this program only the
// audio threads' wake-ups count (the toolkit's own pool threads wake for painting).

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace realaudio {

struct Cost {
  double cpu = 0;      // seconds
  double wakeups = 0;  // voluntary context switches
};

inline Cost operator-(Cost a, const Cost& b) { return {a.cpu - b.cpu, a.wakeups - b.wakeups}; }
inline Cost operator+(Cost a, const Cost& b) { return {a.cpu + b.cpu, a.wakeups + b.wakeups}; }

// Each live thread of process `pid`, by thread id (threads that ended are not counted:
// measure programs whose threads outlive the window).
inline std::map<pid_t, Cost> ThreadCosts(pid_t pid) {
  std::map<pid_t, Cost> costs;
  const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
  DIR* dir = opendir(tasks.c_str());
  if (!dir) return costs;
  while (const dirent* e = readdir(dir)) {
    if (e->d_name[0] == '.') continue;
    const std::string task = tasks + "/" + e->d_name;
    Cost& c = costs[pid_t(std::atol(e->d_name))];
    std::ifstream sched(task + "/schedstat");
    double ns = 0;
    if (sched >> ns) c.cpu = ns * 1e-9;
    std::ifstream status(task + "/status");
    for (std::string line; std::getline(status, line);)
      if (line.rfind("voluntary_ctxt_switches:", 0) == 0) c.wakeups = std::stod(line.substr(24));
  }
  closedir(dir);
  return costs;
}

inline Cost ProcessCost(pid_t pid) {
  Cost sum;
  for (const auto& [tid, c] : ThreadCosts(pid)) sum = sum + c;
  return sum;
}

// This process: CPU of every thread, those that ended included; wake-ups of the threads
// not in `before` (taken before the stream was opened): those the sound stream brought,
// PortAudio's callback thread and the sound server client's.
inline Cost SelfCost(const std::map<pid_t, Cost>& before) {
  Cost c;
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  c.cpu = double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
  for (const auto& [tid, cost] : ThreadCosts(getpid()))
    if (!before.count(tid)) c.wakeups += cost.wakeups;
  return c;
}

// The server's process id, from the pid file in PULSE_RUNTIME_PATH; 0 when there is none.
inline pid_t ServerPid() {
  const char* dir = std::getenv("PULSE_RUNTIME_PATH");
  if (!dir || !std::getenv("PULSE_SERVER")) return 0;
  std::ifstream file(std::string(dir) + "/pid");
  long pid = 0;
  if (!(file >> pid) || pid <= 0 || kill(pid_t(pid), 0) != 0) return 0;
  return pid_t(pid);
}

// A program started with this process's environment; ended (SIGTERM) and reaped by the
// destructor if it still runs.
class Child {
public:
  // `quiet`: its standard output goes to /dev/null.
  explicit Child(std::vector<std::string> args, bool quiet = false) {
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (quiet) posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    if (posix_spawnp(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid_ = 0;
    posix_spawn_file_actions_destroy(&actions);
  }
  // Whether it has ended by itself (then reaped).
  bool Ended() {
    if (pid_ <= 0) return true;
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) != pid_) return false;
    pid_ = 0;
    return true;
  }
  ~Child() { Stop(); }
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;
  pid_t Pid() const { return pid_; }
  void Stop() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = 0;
  }

private:
  pid_t pid_ = 0;
};

// A cost over `wall` as a rate: CPU seconds per second (a share of one core) and wake-ups
// per second.
inline Cost PerSecond(const Cost& c, std::chrono::steady_clock::duration wall) {
  const double s = std::chrono::duration<double>(wall).count();
  return {c.cpu / s, c.wakeups / s};
}

inline void SleepUntil(std::chrono::steady_clock::time_point deadline) {
  std::this_thread::sleep_until(deadline);
}

inline double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// Per-second costs of the program and the server over the repetitions of one case, and
// their medians as the benchmark's counters: <name>_prog_pct, _server_pct, _total_pct
// (% of one core), _prog_wakeups, _server_wakeups (per second).
struct Shares {
  std::vector<double> program, server, total, programWakeups, serverWakeups;
  void Add(const Cost& p, const Cost& s) {
    program.push_back(100 * p.cpu);
    server.push_back(100 * s.cpu);
    total.push_back(100 * (p.cpu + s.cpu));
    programWakeups.push_back(p.wakeups);
    serverWakeups.push_back(s.wakeups);
  }
  template <class State>
  void Report(State& state, const std::string& name) const {
    state.counters[name + "_prog_pct"] = Median(program);
    state.counters[name + "_server_pct"] = Median(server);
    state.counters[name + "_total_pct"] = Median(total);
    state.counters[name + "_prog_wakeups"] = Median(programWakeups);
    state.counters[name + "_server_wakeups"] = Median(serverWakeups);
  }
};

// The program's and the server's shares over `seconds` while `pump` runs.
template <class Program, class Pump>
void Measure(Shares& into, double seconds, Program program, pid_t server, Pump pump) {
  using Clock = std::chrono::steady_clock;
  const auto t0 = Clock::now();
  const Cost p0 = program(), s0 = ProcessCost(server);
  pump(t0 + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds)));
  const Cost p1 = program(), s1 = ProcessCost(server);
  into.Add(PerSecond(p1 - p0, Clock::now() - t0), PerSecond(s1 - s0, Clock::now() - t0));
}

}  // namespace realaudio
