// Download speed: velmora-fetch (DownloadFile, read pause 0) against curl -o
// on the same file served by a private nginx over loopback, in one run. Also
// times the client with the 10 ms read pause it uses by default.
//
// velmora-bench-net [SIZE_MIB] [--no-paused]   (default 1024 MiB)
#include <limits.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/net/support/NginxServer.h"

namespace {

struct Timing {
  double wall = 0;
  double cpu = 0;
  int status = -1;
};

Timing Run(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  auto start = std::chrono::steady_clock::now();
  pid_t pid = fork();
  if (pid == 0) {
    execvp(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  Timing t;
  t.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  t.cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
          static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  t.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return t;
}

bool WritePatternFile(const std::string& path, size_t mebibytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  std::vector<unsigned char> block(1 << 20);
  uint32_t state = 2024;
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

std::string SelfDirectory() {
  char path[PATH_MAX] = {};
  ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  std::string self(path, n > 0 ? static_cast<size_t>(n) : 0);
  return self.substr(0, self.find_last_of('/'));
}

off_t SizeOf(const std::string& path) {
  struct stat st{};
  return stat(path.c_str(), &st) == 0 ? st.st_size : -1;
}

void Report(const char* name, const Timing& t, double gib) {
  std::printf("%-28s wall %7.3f s  %7.1f MiB/s  cpu %6.3f s  cpu/GiB %6.3f s  exit %d\n", name, t.wall,
              gib * 1024 / t.wall, t.cpu, t.cpu / gib, t.status);
}

Timing Best(const Timing& a, const Timing& b) { return a.wall <= b.wall ? a : b; }

}  // namespace

int main(int argc, char** argv) {
  size_t mebibytes = 1024;
  bool paused = true;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--no-paused") == 0) paused = false;
    else mebibytes = std::strtoul(argv[i], nullptr, 10);
  }
  if (NginxServer::FindBinary().empty()) {
    std::fprintf(stderr, "nginx is not installed\n");
    return 1;
  }
  std::string pattern = (std::filesystem::temp_directory_path() / "velmora-bench-XXXXXX").string();
  if (!mkdtemp(pattern.data())) return 1;
  const std::string dir = pattern;
  std::filesystem::create_directory(dir + "/www");
  const std::string source = dir + "/www/big.bin";
  const std::string out = dir + "/out.bin";
  const double gib = static_cast<double>(mebibytes) / 1024;
  int rc = 0;
  if (!WritePatternFile(source, mebibytes)) {
    std::fprintf(stderr, "cannot write the test file\n");
    rc = 1;
  } else {
    NginxServer nginx(dir, dir + "/www", false);
    if (!nginx.Start()) {
      std::fprintf(stderr, "nginx did not start:\n%s\n", nginx.ErrorLog().c_str());
      rc = 1;
    } else {
      const std::string url = nginx.Url("/big.bin");
      const std::string fetch = SelfDirectory() + "/velmora-fetch";
      const std::vector<std::string> curl = {"curl", "-s", "-o", out, url};
      const std::vector<std::string> ours = {fetch, url, out, "--pause", "0"};
      auto once = [&](const std::vector<std::string>& args) {
        std::filesystem::remove(out);
        Timing t = Run(args);
        if (SizeOf(out) != SizeOf(source)) t.status = t.status ? t.status : 99;
        std::filesystem::remove(out);
        return t;
      };
      once(curl);  // warms the page cache for both
      Timing c = once(curl), v = once(ours);
      c = Best(c, once(curl));
      v = Best(v, once(ours));
      std::printf("%zu MiB over loopback, best of two runs each\n", mebibytes);
      Report("curl -o", c, gib);
      Report("velmora-fetch --pause 0", v, gib);
      std::printf("ratio wall %.3f  cpu/GiB %.3f  (velmora / curl)\n", v.wall / c.wall, v.cpu / c.cpu);
      if (paused) {
        Timing p = once({fetch, url, out, "--pause", "10"});
        Report("velmora-fetch --pause 10", p, gib);
        std::printf("ratio wall %.3f  cpu/GiB %.3f  (paused velmora / curl)\n", p.wall / c.wall, p.cpu / c.cpu);
      }
      rc = (c.status || v.status) ? 1 : 0;
    }
  }
  std::filesystem::remove_all(dir);
  return rc;
}
