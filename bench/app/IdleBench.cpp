// The product at rest: the real velmora on the shipped scripts with 1,000
// finished tasks and nothing running. Measures the processor time it takes
// over 30 s (target: under 1% of one core) and its resident memory (target:
// under 60 MB), after a settling pause. Then minimises the window (as the
// window manager would, through velmora-send) and counts the wake-ups of
// every thread over the same time: a timer firing more often than once a
// second while the window is hidden shows as a thread waking more often.
//
//   velmora-bench-idle [SECONDS]
//
// Runs offscreen in a scratch home of its own; needs velmora and
// velmora-lua beside it.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "bench/net/BenchProcess.h"

namespace {

constexpr int kTasks = 1000;
constexpr double kCpuTarget = 0.01;
constexpr double kResidentTargetMb = 60.0;
// One timer a second, plus a little for the odd event in between.
constexpr double kWakeupTarget = 1.1;

std::string Quoted(const std::string& text) {
  std::string out = "'";
  for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

bool WriteText(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
  return static_cast<bool>(out);
}

std::string BinDir(const char* argv0) {
  char resolved[4096];
  const std::string self(realpath(argv0, resolved) ? resolved : argv0);
  const size_t slash = self.rfind('/');
  return slash == std::string::npos ? "." : self.substr(0, slash);
}

// Voluntary context switches of each thread, by thread id and name: a thread
// that sleeps on a timer or a poll adds one each time it wakes (being pushed
// off the processor by others counts elsewhere).
std::map<std::string, long long> Switches(pid_t pid) {
  std::map<std::string, long long> out;
  std::error_code error;
  const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
  for (const auto& entry : std::filesystem::directory_iterator(tasks, error)) {
    std::ifstream in(entry.path() / "status");
    std::string line, name;
    long long count = 0;
    while (std::getline(in, line)) {
      if (line.rfind("Name:", 0) == 0) name = line.substr(line.find_first_not_of(" \t", 5));
      if (line.rfind("voluntary_ctxt_switches:", 0) == 0) count = std::atoll(line.c_str() + line.find(':') + 1);
    }
    out[entry.path().filename().string() + " " + name] = count;
  }
  return out;
}

// Wake-ups per second of the whole process and of its busiest thread.
struct Wakeups {
  double total = 0;
  double busiest = 0;
  std::string busiestName;
};

Wakeups MeasureWakeups(pid_t pid, int seconds) {
  const auto before = Switches(pid);
  const auto started = std::chrono::steady_clock::now();
  std::this_thread::sleep_for(std::chrono::seconds(seconds));
  const auto after = Switches(pid);
  const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  Wakeups w;
  for (const auto& [thread, count] : after) {
    const auto found = before.find(thread);
    const double rate = static_cast<double>(count - (found == before.end() ? 0 : found->second)) / wall;
    w.total += rate;
    if (rate > w.busiest) {
      w.busiest = rate;
      w.busiestName = thread;
    }
  }
  return w;
}

// 1,000 finished tasks written by the scripts' own storage module.
bool SeedTasks(const std::string& bin, const std::string& home, const std::string& env) {
  const std::string script = home + "/seed.lua";
  WriteText(script,
            "package.path = " + Quoted(bin + "/ext/?.lua;") +
                " .. package.path\n"
                "local storage = require('velmora.storage')\n"
                "local paths = require('velmora.paths')\n"
                "local store = assert(storage.open(paths.dataDir() .. '/tasks.db'))\n"
                "local list = {}\n"
                "for i = 1, " + std::to_string(kTasks) + " do\n"
                "  list[i] = { url = 'http://127.0.0.1:9/file' .. i .. '.bin', name = 'file' .. i .. '.bin',\n"
                "    folder = " + Quoted(home + "/downloads") + ", state = 'done', done = 1048576 * i, total = 1048576 * i,\n"
                "    error = '', referrer = '', added = 1800000000 + i, finished = 1800000000 + i,\n"
                "    file = " + Quoted(home + "/downloads/") + " .. 'file' .. i .. '.bin' }\n"
                "end\n"
                "assert(store:insertMany(list)) store:close()\n");
  const std::string command = "env " + env + " " + Quoted(bin + "/velmora-lua") + " " + Quoted(script);
  return std::system(command.c_str()) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  const int seconds = argc > 1 ? std::atoi(argv[1]) : 30;
  const std::string bin = BinDir(argv[0]);
  char pattern[] = "/tmp/velmora-bench-idle-XXXXXX";
  const char* made = mkdtemp(pattern);
  if (!made || seconds <= 0) {
    std::fprintf(stderr, "usage: velmora-bench-idle [SECONDS]\n");
    return 2;
  }
  const std::string home(made);
  WriteText(home + "/registry.ini",
            "[HKEY_LOCAL_MACHINE\\Software\\KOVAPT\\KOVA_PC]\nKOVAPath=" + home + "/install\n");
  const std::string env = "XDG_DATA_HOME=" + Quoted(home + "/data") + " XDG_CONFIG_HOME=" + Quoted(home + "/config") +
                          " VELMORA_WINDOW_DIR=" + Quoted(home + "/windows") + " QT_QPA_PLATFORM=offscreen" +
                          " VELMORA_REGISTRY=" + Quoted(home + "/registry.ini");
  if (!SeedTasks(bin, home, env)) {
    std::fprintf(stderr, "could not write the %d tasks\n", kTasks);
    return 1;
  }
  const std::string command = "exec env " + env + " " + Quoted(bin + "/velmora") + " 2>/dev/null";
  const pid_t pid = fork();
  if (pid == 0) {
    execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  // Start-up, the first ticks and the first free-space look are not idling.
  std::this_thread::sleep_for(std::chrono::seconds(5));
  const long long before = bench::CpuTicks(pid);
  const auto started = std::chrono::steady_clock::now();
  std::this_thread::sleep_for(std::chrono::seconds(seconds));
  const long long after = bench::CpuTicks(pid);
  const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  const double resident = bench::ResidentMb(pid);
  const Wakeups shown = MeasureWakeups(pid, std::min(seconds, 10));
  // WM_SYSCOMMAND / SC_MINIMIZE, as the window manager sends it.
  const std::string minimise = "env " + env + " " + Quoted(bin + "/velmora-send") + " --post 274 61472 0";
  const bool minimised = std::system(minimise.c_str()) == 0;
  std::this_thread::sleep_for(std::chrono::seconds(2));
  const long long hiddenBefore = bench::CpuTicks(pid);
  const auto hiddenStarted = std::chrono::steady_clock::now();
  const Wakeups hidden = MeasureWakeups(pid, seconds);
  const double hiddenWall = std::chrono::duration<double>(std::chrono::steady_clock::now() - hiddenStarted).count();
  const double hiddenCpu = static_cast<double>(bench::CpuTicks(pid) - hiddenBefore) /
                           static_cast<double>(sysconf(_SC_CLK_TCK)) / hiddenWall;
  kill(pid, SIGTERM);
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  std::system(("rm -rf " + Quoted(home)).c_str());
  if (before < 0 || after < 0 || resident < 0) {
    std::fprintf(stderr, "velmora ended before the measurement did\n");
    return 1;
  }
  const double cpu = static_cast<double>(after - before) / static_cast<double>(sysconf(_SC_CLK_TCK)) / wall;
  std::printf("%d finished tasks, idle %.0f s: CPU %.2f%% of a core (target < %.0f%%: %s)\n", kTasks, wall,
              cpu * 100, kCpuTarget * 100, cpu < kCpuTarget ? "met" : "MISSED");
  std::printf("resident %.1f MB (target < %.0f MB: %s)\n", resident, kResidentTargetMb,
              resident < kResidentTargetMb ? "met" : "MISSED");
  std::printf("wake-ups, window shown: %.2f/s in all, busiest thread %.2f/s (%s)\n", shown.total, shown.busiest,
              shown.busiestName.c_str());
  const bool quiet = minimised && hidden.busiest <= kWakeupTarget;
  std::printf("wake-ups, window minimised%s, %.0f s: %.2f/s in all, busiest thread %.2f/s (%s), CPU %.2f%% "
              "(target: no thread above %.1f/s: %s)\n",
              minimised ? "" : " (the minimise message was NOT delivered)", hiddenWall, hidden.total, hidden.busiest,
              hidden.busiestName.c_str(), hiddenCpu * 100, kWakeupTarget, quiet ? "met" : "MISSED");
  return cpu < kCpuTarget && resident < kResidentTargetMb && quiet ? 0 : 1;
}
