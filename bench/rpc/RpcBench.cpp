// The headless program over remote control, against aria2c --enable-rpc:
//  1. at rest with 1,000 finished tasks (both given the same 1,000 small
//     downloads over their RPC): resident memory and processor time over
//     SECONDS (targets: at most 2x aria2c's memory, under 0.5% of a core);
//  2. four downloads at a fixed server pace, alone and then with 100
//     tellActive calls a second (target: no more than 5% slower).
//
//   velmora-bench-rpc [SECONDS]
//
// Needs velmora beside it, nginx and aria2c; runs in a scratch folder.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "bench/net/BenchProcess.h"
#include <vector>

#include <nlohmann/json.hpp>

#include "tests/net/support/NginxServer.h"

namespace {

using nlohmann::json;
using Clock = std::chrono::steady_clock;

constexpr int kTasks = 1000;
constexpr int kBigMiB = 48;
constexpr const char* kPace = "12m";
constexpr const char* kSecret = "bench-secret";

uint16_t FreePort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
  socklen_t length = sizeof address;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  ::close(fd);
  return ntohs(address.sin_port);
}

// One POST on a fresh connection; the body of the answer, empty on failure.
std::string Post(uint16_t port, const std::string& body) {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    ::close(fd);
    return {};
  }
  const std::string request = "POST /jsonrpc HTTP/1.1\r\nHost: x\r\nConnection: close\r\nContent-Length: " +
                              std::to_string(body.size()) + "\r\n\r\n" + body;
  ::send(fd, request.data(), request.size(), MSG_NOSIGNAL);
  std::string answer;
  char buffer[65536];
  for (long got; (got = ::recv(fd, buffer, sizeof buffer, 0)) > 0;) answer.append(buffer, static_cast<size_t>(got));
  ::close(fd);
  const size_t end = answer.find("\r\n\r\n");
  return end == std::string::npos ? std::string() : answer.substr(end + 4);
}

json Call(uint16_t port, const std::string& method, json params = json::array()) {
  params.insert(params.begin(), std::string("token:") + kSecret);
  const std::string text = Post(port, json{{"jsonrpc", "2.0"}, {"id", "b"}, {"method", method}, {"params", params}}.dump());
  json answer = json::parse(text, nullptr, false);
  return answer.is_discarded() ? json() : answer.value("result", json());
}

struct Peer {
  std::string name;
  std::vector<std::string> argv;
  std::string home;
  uint16_t port = 0;
  pid_t pid = -1;

  bool Start() {
    std::filesystem::create_directories(home + "/downloads");
    std::fflush(stdout);  // or the child would print what is buffered again
    pid = fork();
    if (pid == 0) {
      setenv("XDG_DATA_HOME", (home + "/data").c_str(), 1);
      setenv("XDG_CONFIG_HOME", (home + "/config").c_str(), 1);
      setenv("XDG_DOWNLOAD_DIR", (home + "/downloads").c_str(), 1);
      unsetenv("DISPLAY");
      const std::string log = home + "/log.txt";
      freopen(log.c_str(), "a", stdout);
      freopen(log.c_str(), "a", stderr);
      std::vector<char*> args;
      for (std::string& a : argv) args.push_back(a.data());
      args.push_back(nullptr);
      execv(args[0], args.data());
      _exit(127);
    }
    const auto deadline = Clock::now() + std::chrono::seconds(20);
    while (Clock::now() < deadline) {
      if (!Call(port, "aria2.getVersion").is_null()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
  }
  void Stop() {
    if (pid <= 0) return;
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    pid = -1;
  }
  // Waits until nothing is active or waiting; false after `seconds`.
  bool WaitIdle(int seconds, int stopped) {
    const auto deadline = Clock::now() + std::chrono::seconds(seconds);
    while (Clock::now() < deadline) {
      const json stat = Call(port, "aria2.getGlobalStat");
      if (stat.is_object() && stat.value("numActive", "") == "0" && stat.value("numWaiting", "") == "0" &&
          std::atoi(stat.value("numStopped", "0").c_str()) >= stopped) {
        return true;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    return false;
  }
};

Peer MakePeer(const std::string& name, const std::string& binary, const std::string& scratch) {
  Peer peer;
  peer.name = name;
  peer.home = scratch + "/" + name;
  peer.port = FreePort();
  if (name == "aria2c") {
    peer.argv = {binary, "--enable-rpc", "--rpc-listen-port=" + std::to_string(peer.port),
                 std::string("--rpc-secret=") + kSecret, "--no-conf", "-d", peer.home + "/downloads", "--quiet",
                 "--max-download-result=2000", "--max-concurrent-downloads=4", "--allow-overwrite=true",
                 "--auto-file-renaming=false"};
  } else {
    peer.argv = {binary, "--headless", "--rpc-listen", std::to_string(peer.port), "--rpc-secret", kSecret};
  }
  return peer;
}

// Adds the small files in batches of 100 (system.multicall) and waits.
bool AddFinished(Peer& peer, const NginxServer& nginx) {
  for (int first = 0; first < kTasks; first += 100) {
    json calls = json::array();
    for (int i = first; i < first + 100; ++i) {
      calls.push_back({{"methodName", "aria2.addUri"},
                       {"params", {std::string("token:") + kSecret, {nginx.Url("/small/" + std::to_string(i))}}}});
    }
    Post(peer.port, json{{"jsonrpc", "2.0"}, {"id", "m"}, {"method", "system.multicall"}, {"params", {calls}}}.dump());
  }
  return peer.WaitIdle(600, kTasks);
}

void AtRest(Peer& peer, const NginxServer& nginx, int seconds, double& residentMb, double& cpuShare) {
  residentMb = cpuShare = -1;
  if (!peer.Start() || !AddFinished(peer, nginx)) {
    std::printf("  %s: could not reach 1,000 finished tasks (log in %s)\n", peer.name.c_str(), peer.home.c_str());
    peer.Stop();
    return;
  }
  std::this_thread::sleep_for(std::chrono::seconds(3));  // settle before measuring rest
  const long long before = bench::CpuTicks(peer.pid);
  std::this_thread::sleep_for(std::chrono::seconds(seconds));
  const long long after = bench::CpuTicks(peer.pid);
  residentMb = bench::ResidentMb(peer.pid);
  cpuShare = static_cast<double>(after - before) / sysconf(_SC_CLK_TCK) / seconds;
  peer.Stop();
}

// Seconds until four paced downloads are done; with `calls`, 100
// tellActive a second go on meanwhile.
double FourDownloads(Peer& peer, const NginxServer& nginx, bool calls, int round) {
  std::atomic<bool> done{false};
  std::atomic<int> answered{0};
  std::thread caller;
  const auto begin = Clock::now();
  for (int i = 0; i < 4; ++i) {
    Call(peer.port, "aria2.addUri",
         {{nginx.Url("/big/" + std::to_string(i))}, {{"out", "big-" + std::to_string(round) + "-" + std::to_string(i)}, {"split", "1"}}});
  }
  if (calls) {
    caller = std::thread([&] {
      auto next = Clock::now();
      while (!done) {
        if (Call(peer.port, "aria2.tellActive").is_array()) ++answered;
        next += std::chrono::milliseconds(10);
        std::this_thread::sleep_until(next);  // the callers' pace: 100 a second
      }
    });
  }
  peer.WaitIdle(600, 0);
  const double seconds = std::chrono::duration<double>(Clock::now() - begin).count();
  done = true;
  if (caller.joinable()) caller.join();
  if (calls) std::printf("    %d tellActive answered (%.0f/s)\n", answered.load(), answered / seconds);
  return seconds;
}

bool WriteFiles(const std::string& root) {
  std::filesystem::create_directories(root + "/small");
  std::filesystem::create_directories(root + "/big");
  for (int i = 0; i < kTasks; ++i) std::ofstream(root + "/small/" + std::to_string(i)) << "file " << i << "\n";
  std::string block(1 << 20, 'v');
  for (int i = 0; i < 4; ++i) {
    std::ofstream out(root + "/big/" + std::to_string(i), std::ios::binary);
    for (int m = 0; m < kBigMiB; ++m) out.write(block.data(), static_cast<std::streamsize>(block.size()));
  }
  return true;
}

std::string Which(const char* name) {
  for (const char* dir : {"/usr/bin/", "/usr/local/bin/", "/bin/"}) {
    const std::string path = std::string(dir) + name;
    if (access(path.c_str(), X_OK) == 0) return path;
  }
  return {};
}

}  // namespace

int main(int argc, char** argv) {
  const int seconds = argc > 1 ? std::max(5, std::atoi(argv[1])) : 20;
  char resolved[4096];
  const std::string self = realpath(argv[0], resolved) ? resolved : argv[0];
  const std::string velmora = self.substr(0, self.rfind('/')) + "/velmora";
  const std::string aria2 = Which("aria2c");
  if (NginxServer::FindBinary().empty() || aria2.empty() || access(velmora.c_str(), X_OK) != 0) {
    std::printf("velmora-bench-rpc needs nginx, aria2c and velmora beside it\n");
    return 1;
  }
  char pattern[] = "/tmp/velmora-bench-rpc-XXXXXX";
  const std::string scratch = mkdtemp(pattern);
  WriteFiles(scratch + "/www");
  NginxServer nginx(scratch, scratch + "/www", false);
  nginx.LimitRatePerRequest(kPace);
  if (!nginx.Start()) {
    std::printf("nginx did not start: %s\n", nginx.ErrorLog().c_str());
    return 1;
  }

  std::printf("At rest with %d finished tasks, over %d s:\n", kTasks, seconds);
  double ariaMb, ariaCpu, ourMb, ourCpu;
  Peer aria = MakePeer("aria2c", aria2, scratch);
  AtRest(aria, nginx, seconds, ariaMb, ariaCpu);
  Peer ours = MakePeer("velmora", velmora, scratch);
  AtRest(ours, nginx, seconds, ourMb, ourCpu);
  std::printf("  aria2c   %6.1f MB resident, %.3f%% of a core\n", ariaMb, ariaCpu * 100);
  std::printf("  velmora  %6.1f MB resident, %.3f%% of a core\n", ourMb, ourCpu * 100);
  std::printf("  memory %.2fx aria2c (target <= 2x), processor %s 0.5%% of a core\n", ourMb / ariaMb,
              ourCpu < 0.005 ? "under" : "OVER");

  std::printf("Four downloads of %d MiB at %s/s each, alone and with 100 tellActive/s:\n", kBigMiB, kPace);
  Peer busy = MakePeer("velmora-busy", velmora, scratch);
  if (!busy.Start()) return 1;
  const double alone = FourDownloads(busy, nginx, false, 0);
  const double loaded = FourDownloads(busy, nginx, true, 1);
  const double alone2 = FourDownloads(busy, nginx, false, 2);
  busy.Stop();
  const double base = std::min(alone, alone2);
  std::printf("  alone %.2f s and %.2f s, with calls %.2f s: %+.1f%% (target <= +5%%)\n", alone, alone2, loaded,
              (loaded / base - 1) * 100);
  std::filesystem::remove_all(scratch);
  return 0;
}
