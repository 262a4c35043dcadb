// Download speed: velmora-fetch (DownloadFile, read pause 0) against curl -o
// on the same file served by a private nginx over loopback, in one run. Also
// times the client with the 10 ms read pause it uses by default.
//
// velmora-bench-net [SIZE_MIB] [--no-paused]   (default 1024 MiB)
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/net/BenchProcess.h"
#include "tests/net/support/NginxServer.h"

namespace {

using bench::Best;
using bench::Run;
using bench::SelfDirectory;
using bench::SizeOf;
using bench::Timing;
using bench::WritePatternFile;

void Report(const char* name, const Timing& t, double gib) {
  std::printf("%-28s wall %7.3f s  %7.1f MiB/s  cpu %6.3f s  cpu/GiB %6.3f s  exit %d\n", name, t.wall,
              gib * 1024 / t.wall, t.cpu, t.cpu / gib, t.status);
}

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
