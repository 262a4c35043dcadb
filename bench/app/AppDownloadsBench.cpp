// Four downloads through the running product against four parallel curls, in
// one run: the real velmora offscreen on the shipped scripts, four links of
// SIZE MiB each handed over with velmora-send as a browser would, from a
// private loopback nginx. Aggregate throughput ratio (target: at least 0.95
// of the curls'), best of three runs each, in turns; every file is compared
// byte for byte with the served one.
//
//   velmora-bench-app-downloads [SIZE_MIB] [--out DIR]
//
// The clock runs from the first hand-over until the last task is stored as
// done, so the scripts, the queue and the database writes are all inside it;
// the program's start-up is not. Needs velmora, velmora-send and velmora-lua
// beside it; `--out /dev/shm` takes the disk out of the comparison.
#include <limits.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/net/support/NginxServer.h"

namespace {

constexpr int kFiles = 4;
constexpr int kRounds = 3;
constexpr double kTarget = 0.95;

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

std::string SelfDirectory() {
  char path[PATH_MAX] = {};
  const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  const std::string self(path, n > 0 ? static_cast<size_t>(n) : 0);
  return self.substr(0, self.find_last_of('/'));
}

bool WritePatternFile(const std::string& path, size_t mebibytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  std::vector<unsigned char> block(1 << 20);
  uint32_t state = 2026;
  bool ok = true;
  for (size_t m = 0; m < mebibytes && ok; ++m) {
    for (auto& b : block) {
      state = state * 1664525u + 1013904223u;
      b = static_cast<unsigned char>(state >> 24);
    }
    ok = std::fwrite(block.data(), 1, block.size(), f) == block.size();
  }
  return std::fclose(f) == 0 && ok;
}

int Shell(const std::string& command) {
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool SameBytes(const std::string& a, const std::string& b) {
  return Shell("cmp -s " + Quoted(a) + " " + Quoted(b)) == 0;
}

void Clear(const std::string& dir) {
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
}

double Curls(const std::vector<std::string>& urls, const std::string& outDir) {
  const auto start = std::chrono::steady_clock::now();
  std::vector<pid_t> pids;
  for (int i = 0; i < kFiles; ++i) {
    const std::string out = outDir + "/q" + std::to_string(i) + ".bin";
    const pid_t pid = fork();
    if (pid == 0) {
      execlp("curl", "curl", "-s", "-o", out.c_str(), urls[static_cast<size_t>(i)].c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    pids.push_back(pid);
  }
  bool ok = true;
  for (pid_t pid : pids) {
    int status = 0;
    waitpid(pid, &status, 0);
    ok = ok && WIFEXITED(status) && WEXITSTATUS(status) == 0;
  }
  const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return ok ? wall : -1;
}

// One fresh velmora (its own data, configuration and window-link folders)
// per run, so that every run starts from an empty list.
class App {
 public:
  App(const std::string& bin, const std::string& home, const std::string& outDir) : bin_(bin), home_(home) {
    Clear(home);
    env_ = "XDG_DATA_HOME=" + Quoted(home + "/data") + " XDG_CONFIG_HOME=" + Quoted(home + "/config") +
           " VELMORA_WINDOW_DIR=" + Quoted(home + "/windows") + " QT_QPA_PLATFORM=offscreen" +
           " VELMORA_REGISTRY=" + Quoted(home + "/registry.ini");
    WriteText(home + "/registry.ini",
              "[HKEY_LOCAL_MACHINE\\Software\\KOVAPT\\KOVA_PC]\nKOVAPath=" + home + "/install\n");
    // What a user would set on the settings page: the folder, four at once.
    WriteText(home + "/configure.lua", "package.path = " + Quoted(bin + "/ext/?.lua;") +
                                           " .. package.path\n"
                                           "local s = require('velmora.settings') local v = s.load()\n"
                                           "v.folder = " + Quoted(outDir) + " v.concurrent = 4\n"
                                           "assert(s.save(v))\n");
    configured_ = Run("velmora-lua", Quoted(home + "/configure.lua")) == 0;
    WriteText(home + "/states.lua",
              "local db = sqlite_dbnew() if sqlite_dbopen(db, startparam[3]) ~= 0 then return end\n"
              "local q = sqlite_qnew() if sqlite_dbquery(db, q, 'SELECT state FROM tasks') then return end\n"
              "while not sqlite_qeof(q) do io.write(sqlite_qgetStringField(q, 0), '\\n') sqlite_qnextRow(q) end\n");
  }
  ~App() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }

  // Started and answering on its window link.
  bool Start() {
    if (!configured_) return false;
    const std::string command = "exec env " + env_ + " " + Quoted(bin_ + "/velmora") + " 2>" + Quoted(home_ + "/stderr");
    pid_ = fork();
    if (pid_ == 0) {
      execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    for (int i = 0; i < 200; ++i) {
      if (Run("velmora-send", "--post 0 0 0") == 0) {
        // The scripts finish their start after the window is up.
        std::this_thread::sleep_for(std::chrono::seconds(1));
        return true;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
  }
  bool HandOver(const std::string& url) { return Run("velmora-send", "--copydata " + Quoted("#clicent#" + url)) == 0; }
  // "done" when all are done, "failed" when one failed, "" while running.
  std::string Outcome() {
    const std::string out = home_ + "/states.txt";
    if (Run("velmora-lua", Quoted(home_ + "/states.lua") + " " + Quoted(home_ + "/data/velmora/tasks.db") + " > " +
                               Quoted(out)) != 0)
      return "";
    std::ifstream in(out);
    std::string line;
    int done = 0;
    while (std::getline(in, line)) {
      if (line == "failed") return "failed";
      done += line == "done";
    }
    return done == kFiles ? "done" : "";
  }

 private:
  int Run(const std::string& program, const std::string& arguments) {
    // Quiet by default; a redirection among the arguments wins over this one.
    return Shell("env " + env_ + " " + Quoted(bin_ + "/" + program) + " >/dev/null " + arguments + " 2>>" +
                 Quoted(home_ + "/stderr-tools"));
  }

  std::string bin_, home_, env_;
  bool configured_ = false;
  pid_t pid_ = -1;
};

double ThroughApp(const std::string& bin, const std::string& home, const std::vector<std::string>& urls,
                  const std::string& outDir) {
  App app(bin, home, outDir);
  if (!app.Start()) {
    std::fprintf(stderr, "velmora did not start (see %s/stderr)\n", home.c_str());
    return -1;
  }
  const auto start = std::chrono::steady_clock::now();
  for (const std::string& url : urls)
    if (!app.HandOver(url)) return -1;
  for (;;) {
    const std::string outcome = app.Outcome();
    if (outcome == "done") break;
    if (outcome == "failed" || std::chrono::steady_clock::now() - start > std::chrono::minutes(10)) return -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Every output is the served file, byte for byte.
bool AllWhole(const std::string& served, const std::string& outDir) {
  for (int i = 0; i < kFiles; ++i)
    if (!SameBytes(served, outDir + "/q" + std::to_string(i) + ".bin")) return false;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  size_t mebibytes = 256;
  std::string outParent;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--out") == 0 && i + 1 < argc) outParent = argv[++i];
    else mebibytes = std::strtoul(argv[i], nullptr, 10);
  }
  if (mebibytes < 1 || NginxServer::FindBinary().empty()) {
    std::fprintf(stderr, "usage: velmora-bench-app-downloads [SIZE_MIB] [--out DIR] (needs nginx)\n");
    return 2;
  }
  const std::string bin = SelfDirectory();
  std::string pattern = (std::filesystem::temp_directory_path() / "velmora-bench-app-XXXXXX").string();
  if (!mkdtemp(pattern.data())) return 1;
  const std::string dir = pattern;
  std::string work = dir;
  if (!outParent.empty()) {
    std::string outPattern = outParent + "/velmora-bench-app-out-XXXXXX";
    if (!mkdtemp(outPattern.data())) return 1;
    work = outPattern;
  }
  const std::string outDir = work + "/out", served = dir + "/www/q0.bin";
  std::filesystem::create_directories(dir + "/www");
  int rc = 1;
  // Four names for one file's bytes, so each task gets a name of its own.
  bool ready = WritePatternFile(served, mebibytes);
  for (int i = 1; i < kFiles && ready; ++i)
    ready = link(served.c_str(), (dir + "/www/q" + std::to_string(i) + ".bin").c_str()) == 0;
  NginxServer nginx(dir, dir + "/www", false);
  if (!ready) {
    std::fprintf(stderr, "cannot write the served files\n");
  } else if (!nginx.Start()) {
    std::fprintf(stderr, "nginx did not start:\n%s\n", nginx.ErrorLog().c_str());
  } else {
    std::vector<std::string> urls;
    for (int i = 0; i < kFiles; ++i) urls.push_back(nginx.Url("/q" + std::to_string(i) + ".bin"));
    Clear(outDir);
    Curls(urls, outDir);  // warms the page cache for both
    double best[2] = {1e9, 1e9};
    bool whole[2] = {true, true};
    for (int round = 0; round < kRounds; ++round) {
      for (int who = 0; who < 2; ++who) {
        Clear(outDir);
        sync();
        const double wall = who == 0 ? Curls(urls, outDir) : ThroughApp(bin, dir + "/home", urls, outDir);
        const bool ok = wall > 0 && AllWhole(served, outDir);
        whole[who] = whole[who] && ok;
        std::printf("  round %d %-18s %s\n", round + 1, who == 0 ? "4 x curl -o" : "velmora (4 tasks)",
                    ok ? (std::to_string(wall) + " s").c_str() : "FAILED");
        if (ok && wall < best[who]) best[who] = wall;
      }
    }
    const double gib = kFiles * static_cast<double>(mebibytes) / 1024;
    std::printf("Four %zu MiB downloads at once, best of %d runs each, in turns (files compared byte for byte):\n",
                mebibytes, kRounds);
    std::printf("  4 x curl -o          wall %7.3f s  %8.1f MiB/s  all whole: %s\n", best[0], gib * 1024 / best[0],
                whole[0] ? "yes" : "NO");
    std::printf("  velmora, 4 handed-over links  wall %7.3f s  %8.1f MiB/s  all whole: %s\n", best[1],
                gib * 1024 / best[1], whole[1] ? "yes" : "NO");
    const double ratio = best[0] / best[1];
    std::printf("  aggregate throughput ratio (velmora / curl): %.3f (target >= %.2f: %s)\n", ratio, kTarget,
                ratio >= kTarget && whole[1] ? "met" : "MISSED");
    rc = ratio >= kTarget && whole[0] && whole[1] ? 0 : 1;
  }
  nginx.Stop();
  std::filesystem::remove_all(dir);
  if (work != dir) std::filesystem::remove_all(work);
  return rc;
}
