// velmora-bench-dl: the download engine against curl, in one run (--https:
// only the TLS comparison; --segments: only section 5).
//  1. One file (1 GiB by default) from a private loopback nginx: velmora-fetch
//     against `curl -o`, wall time and CPU time (user + system) of each.
//  2. Four downloads of a quarter of that size at once: velmora-lua running
//     four dl_add tasks against four parallel curls, aggregate throughput.
//  3. A global limit of 2 MB/s held over ten seconds.
//  4. Heap: bytes held per running transfer, and by 1,000 paused tasks
//     (counted in-process through operator new).
//  5. One file from a server that caps every answer at 8 MiB/s: velmora-fetch
//     over one and over four connections, against aria2c -x4 -s4 (and one
//     `curl -o` run as the one-connection reference).
//
// velmora-bench-dl [SIZE_MIB] [--out DIR] [--https | --segments]
// The downloads land in DIR (default: beside the served files, on the temp
// folder's disk); `--out /dev/shm` takes the disk out of the comparison.
#include <malloc.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "bench/net/BenchProcess.h"
#include "dl/DownloadEngine.h"
#include "platform/ChildProcess.h"
#include "tests/net/support/NginxServer.h"
#include "tests/net/support/TestCertificates.h"

// Live heap bytes of every C++ allocation in the process, worker threads
// included (malloc statistics see only the main arena).
static std::atomic<long long> liveHeap{0};

void* operator new(size_t size) {
  void* p = std::malloc(size ? size : 1);
  if (!p) throw std::bad_alloc();
  liveHeap += static_cast<long long>(malloc_usable_size(p));
  return p;
}
void* operator new[](size_t size) { return operator new(size); }
void operator delete(void* p) noexcept {
  if (!p) return;
  liveHeap -= static_cast<long long>(malloc_usable_size(p));
  std::free(p);
}
void operator delete[](void* p) noexcept { operator delete(p); }
void operator delete(void* p, size_t) noexcept { operator delete(p); }
void operator delete[](void* p, size_t) noexcept { operator delete(p); }

namespace {

using bench::Best;
using bench::RunAll;
using bench::SelfDirectory;
using bench::SizeOf;
using bench::Timing;
using bench::WritePatternFile;

void Report(const char* name, const Timing& t, double gib) {
  std::printf("  %-26s wall %7.3f s  %8.1f MiB/s  cpu %6.3f s  cpu/GiB %6.3f s  exit %d\n", name, t.wall,
              gib * 1024 / t.wall, t.cpu, t.cpu / gib, t.status);
}

void Clear(const std::string& dir) {
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
}

// Runs the two contenders in turns, three rounds (so that a slow moment of
// the machine hits both alike), clearing `outDir` before each run, and keeps
// each one's fastest run; a run whose files are not all of `size` bytes
// counts as failed.
std::pair<Timing, Timing> BestInTurns(const std::vector<std::vector<std::string>>& peer,
                                      const std::vector<std::vector<std::string>>& ours, const std::string& outDir,
                                      const std::vector<std::string>& outputs, off_t size) {
  Timing best[2];
  best[0].wall = best[1].wall = 1e9;
  for (int round = 0; round < 3; ++round) {
    for (int who = 0; who < 2; ++who) {
      Clear(outDir);
      sync();
      Timing t = RunAll(who == 0 ? peer : ours);
      for (const auto& out : outputs)
        if (SizeOf(out) != size && t.status == 0) t.status = 99;
      best[who] = Best(best[who], t);
    }
  }
  return {best[0], best[1]};
}

// The same file over TLS from a second nginx with a private CA, which both
// programs are told to trust (curl by --cacert, velmora by VELMORA_CA_FILE).
void SingleHttpsFile(const std::string& url, const std::string& caFile, const std::string& dir, size_t mebibytes) {
  const std::string outDir = dir + "/out", out = outDir + "/one.bin";
  const off_t size = static_cast<off_t>(mebibytes) << 20;
  const double gib = static_cast<double>(mebibytes) / 1024;
  setenv("VELMORA_CA_FILE", caFile.c_str(), 1);
  Clear(outDir);
  std::vector<std::string> curlCommand{"curl", "-s", "--cacert", caFile, "-o", out, url};
  RunAll({curlCommand});  // warms the page cache for both
  auto [curl, ours] = BestInTurns({curlCommand}, {{SelfDirectory() + "/velmora-fetch", url, out}}, outDir, {out}, size);
  std::printf("One %zu MiB download over HTTPS, best of three runs each, in turns:\n", mebibytes);
  Report("curl -o (https)", curl, gib);
  Report("velmora-fetch (https)", ours, gib);
  std::printf("  ratio (velmora / curl): wall %.3f, cpu/GiB %.3f\n\n", ours.wall / curl.wall, ours.cpu / curl.cpu);
}

void SingleFile(const std::string& url, const std::string& dir, size_t mebibytes) {
  const std::string outDir = dir + "/out", out = outDir + "/one.bin";
  const off_t size = static_cast<off_t>(mebibytes) << 20;
  const double gib = static_cast<double>(mebibytes) / 1024;
  Clear(outDir);
  RunAll({{"curl", "-s", "-o", out, url}});  // warms the page cache for both
  auto [curl, ours] =
      BestInTurns({{"curl", "-s", "-o", out, url}}, {{SelfDirectory() + "/velmora-fetch", url, out}}, outDir, {out}, size);
  std::printf("One %zu MiB download, best of three runs each, in turns:\n", mebibytes);
  Report("curl -o", curl, gib);
  Report("velmora-fetch", ours, gib);
  std::printf("  ratio (velmora / curl): wall %.3f, cpu/GiB %.3f\n\n", ours.wall / curl.wall, ours.cpu / curl.cpu);
}

void FourAtOnce(const std::string& url, const std::string& dir, size_t mebibytes) {
  const std::string outDir = dir + "/out";
  const off_t size = static_cast<off_t>(mebibytes) << 20;
  const double gib = 4.0 * static_cast<double>(mebibytes) / 1024;
  std::vector<std::vector<std::string>> curls;
  std::vector<std::string> outputs;
  for (int i = 0; i < 4; ++i) {
    outputs.push_back(outDir + "/q" + std::to_string(i) + ".bin");
    curls.push_back({"curl", "-s", "-o", outputs.back(), url + "?" + std::to_string(i)});
  }
  const std::string script = dir + "/four.lua";
  std::ofstream(script) << "local url, dir = startparam[3], startparam[4]\n"
                           "dl_setMaxActive(4)  -- all four at once, as the curls run\n"
                           "local ids = {}\n"
                           "for i = 0, 3 do ids[#ids + 1] = assert(dl_add(url .. '?' .. i, dir, {name = 'q' .. i .. '.bin'})) end\n"
                           "for _, id in ipairs(ids) do\n"
                           "  local state = dl_wait(id, 600000)\n"
                           "  if state ~= 'done' then error((dl_info(id).error or state)) end\n"
                           "end\n";
  auto [curl, ours] =
      BestInTurns(curls, {{SelfDirectory() + "/velmora-lua", script, url, outDir}}, outDir, outputs, size);
  std::printf("Four %zu MiB downloads at once, best of three runs each, in turns:\n", mebibytes);
  Report("4 x curl -o", curl, gib);
  Report("velmora-lua, 4 x dl_add", ours, gib);
  std::printf("  ratio (velmora / curl): aggregate throughput %.3f, cpu/GiB %.3f\n\n", curl.wall / ours.wall,
              ours.cpu / curl.cpu);
}

// A 2 MB/s global limit over ten seconds: the rate and the largest second.
void Limit(const std::string& url, const std::string& dir) {
  const std::string outDir = dir + "/out";
  Clear(outDir);
  const int64_t limit = 2000000;
  DownloadEngine engine;
  engine.SetLimit(limit);
  std::string error;
  int64_t id = engine.Add(url, outDir, TaskOptions{"limited.bin", 0, "", true, {}}, error);
  while (engine.Info(id)->done == 0) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  auto start = std::chrono::steady_clock::now();
  int64_t first = engine.Info(id)->done, previous = first, largest = 0;
  for (int second = 1; second <= 10; ++second) {
    std::this_thread::sleep_until(start + std::chrono::seconds(second));
    int64_t now = engine.Info(id)->done;
    largest = std::max(largest, now - previous);
    previous = now;
  }
  double rate = static_cast<double>(previous - first) / 10;
  std::printf("Global limit of 2 MB/s over 10 s:\n  %.0f bytes/s (%.3f of the limit), largest second %.3f of the limit\n\n",
              rate, rate / static_cast<double>(limit), static_cast<double>(largest) / static_cast<double>(limit));
  engine.Remove(id, true, error);
}

void Heap(const std::string& url, const std::string& dir) {
  const std::string outDir = dir + "/out";
  Clear(outDir);
  long long before = liveHeap;
  {
    DownloadEngine engine;
    engine.SetMaxActive(4);
    engine.SetLimit(4 << 20);  // keeps the four transfers running while measured
    std::string error;
    std::vector<int64_t> ids;
    for (int i = 0; i < 4; ++i)
      ids.push_back(engine.Add(url + "?" + std::to_string(i), outDir, TaskOptions{"h" + std::to_string(i), 0, "", true, {}}, error));
    std::this_thread::sleep_for(std::chrono::seconds(1));
    long long running = liveHeap - before;
    int active = 0;
    for (int64_t id : ids) active += engine.Info(id)->state == TaskState::Running;
    std::printf("Heap:\n  %d running transfers hold %.1f KiB in all, %.1f KiB each (budget 1024 KiB)\n", active,
                static_cast<double>(running) / 1024, static_cast<double>(running) / 1024 / std::max(active, 1));
  }
  Clear(outDir);
  before = liveHeap;
  {
    DownloadEngine engine;
    std::string error;
    TaskOptions paused;
    paused.start = false;
    for (int i = 0; i < 1000; ++i) engine.Add(url + "?" + std::to_string(i), outDir, paused, error);
    long long idle = liveHeap - before;
    std::printf("  1,000 paused tasks hold %.2f MiB (budget 5 MiB)\n", static_cast<double>(idle) / (1 << 20));
  }
}

bool SameBytes(const std::string& a, const std::string& b) {
  std::ifstream fa(a, std::ios::binary), fb(b, std::ios::binary);
  // On the stack: g++ mistakes a vector's buffer, freed through this file's
  // operator delete, for a mismatched allocation.
  char ba[1 << 16], bb[1 << 16];
  while (fa && fb) {
    fa.read(ba, sizeof ba);
    fb.read(bb, sizeof bb);
    if (fa.gcount() != fb.gcount() || std::memcmp(ba, bb, static_cast<size_t>(fa.gcount())) != 0) return false;
  }
  return fa.eof() && fb.eof();
}

// One command of a comparison and the file it is to leave.
struct Contender {
  std::string name;
  std::vector<std::string> command;
  std::string output;
};

// Why a run does not count (empty when it does): a download cut short or
// garbled must never pass as a fast one, and a client that leaves its part
// file or control file behind has not finished.
std::string Flaw(const Timing& t, const Contender& c, const std::string& outDir, const std::string& source) {
  if (t.status != 0) return "exit " + std::to_string(t.status);
  if (SizeOf(c.output) != SizeOf(source))
    return std::to_string(SizeOf(c.output)) + " bytes instead of " + std::to_string(SizeOf(source));
  if (!SameBytes(c.output, source)) return "bytes differ from the served file";
  const auto name = std::filesystem::path(c.output).filename();
  for (const auto& entry : std::filesystem::directory_iterator(outDir))
    if (entry.path().filename() != name) return "left " + entry.path().filename().string() + " behind";
  return "";
}

// Runs the contenders in turns, `rounds` rounds, each into an emptied
// `outDir`, and keeps each one's fastest sound run; status stays -1 for one
// that had none. Unsound runs are named as they happen.
std::vector<Timing> BestSoundInTurns(const std::vector<Contender>& contenders, const std::string& outDir,
                                     const std::string& source, int rounds) {
  std::vector<Timing> best(contenders.size());
  for (int round = 1; round <= rounds; ++round) {
    for (size_t i = 0; i < contenders.size(); ++i) {
      Clear(outDir);
      sync();
      Timing t = bench::Run(contenders[i].command);
      std::string flaw = Flaw(t, contenders[i], outDir, source);
      if (!flaw.empty()) std::printf("  %s, round %d: %s; not counted\n", contenders[i].name.c_str(), round, flaw.c_str());
      else best[i] = best[i].status == 0 ? Best(best[i], t) : t;
    }
  }
  return best;
}

void ReportSound(const std::string& name, const Timing& t, double gib) {
  if (t.status == 0) Report(name.c_str(), t, gib);
  else std::printf("  %-26s no sound run\n", name.c_str());
}

// Throughput of `ours` over that of `peer` for the same file.
void ReportRatio(const char* what, const Timing& ours, const Timing& peer, double target) {
  if (ours.status != 0 || peer.status != 0) {
    std::printf("  %-44s n/a (a side had no sound run)\n", what);
    return;
  }
  const double ratio = peer.wall / ours.wall;
  std::printf("  %-44s %5.2fx  (target >= %.1fx)%s\n", what, ratio, target, ratio >= target ? "" : "  below target");
}

// aria2's own defaults aside (it splits nothing below 20 MiB), written
// where we say, silent, and with its control file gone once it is done.
Contender Aria2(const std::string& url, const std::string& outDir, const std::string& name) {
  return {"aria2c -x4 -s4",
          {"aria2c", "--no-conf", "-q", "-x4", "-s4", "--file-allocation=none", "--allow-overwrite=true",
           "--auto-file-renaming=false", "-d", outDir, "-o", name, url},
          outDir + "/" + name};
}

// The server sends every answer at 8 MiB/s, as hosts that cap each
// connection do, so one connection takes about ten seconds for the file by
// default and only a download split over several connections can be faster;
// aria2 with four connections is the peer doing the same. Best of two, as
// the single-connection runs are long and their time is set by the cap.
// False when the capped server could not be set up.
bool Segments(const std::string& dir, const std::string& work, size_t mebibytes) {
  const size_t segMiB = std::max<size_t>(8, mebibytes * 5 / 64);  // 80 MiB for the default 1 GiB
  const std::string source = dir + "/www/segments.bin", outDir = work + "/out", out = outDir + "/seg.bin";
  std::filesystem::create_directory(dir + "/capped");
  NginxServer capped(dir + "/capped", dir + "/www", false);
  capped.LimitRatePerRequest("8m");
  if (!WritePatternFile(source, segMiB) || !capped.Start()) {
    std::fprintf(stderr, "no capped-server comparison: %s\n", capped.ErrorLog().c_str());
    return false;
  }
  const std::string url = capped.Url("/segments.bin"), fetch = SelfDirectory() + "/velmora-fetch";
  const double gib = static_cast<double>(segMiB) / 1024;
  std::printf("One %zu MiB download, each answer capped at 8 MiB/s, best of two runs each, in turns:\n", segMiB);
  Contender curl{"curl -o (one run)", {"curl", "-s", "-o", out, url}, out};
  std::vector<Contender> contenders{{"velmora --connections 1", {fetch, url, out, "--connections", "1"}, out},
                                    {"velmora --connections 4", {fetch, url, out, "--connections", "4"}, out}};
  const bool aria2 = !platform::FindProgram("aria2c").empty();
  if (aria2) contenders.push_back(Aria2(url, outDir, "seg.bin"));
  std::vector<Timing> reference = BestSoundInTurns({curl}, outDir, source, 1);
  std::vector<Timing> best = BestSoundInTurns(contenders, outDir, source, 2);
  ReportSound(curl.name, reference[0], gib);
  for (size_t i = 0; i < contenders.size(); ++i) ReportSound(contenders[i].name, best[i], gib);
  if (!aria2) std::printf("  %-26s skipped: aria2c is not installed (Debian package aria2)\n", "aria2c -x4 -s4");
  ReportRatio("throughput, velmora 4 / velmora 1 connection:", best[1], best[0], 3.5);
  if (aria2) ReportRatio("throughput, velmora 4 / aria2c -x4 -s4:", best[1], best[2], 1.0);
  std::printf("\n");
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  size_t mebibytes = 1024;
  std::string outParent;
  bool httpsOnly = false;     // --https: only the TLS comparison
  bool segmentsOnly = false;  // --segments: only the capped-server comparison
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--out") == 0 && i + 1 < argc) outParent = argv[++i];
    else if (std::strcmp(argv[i], "--https") == 0) httpsOnly = true;
    else if (std::strcmp(argv[i], "--segments") == 0) segmentsOnly = true;
    else mebibytes = std::strtoul(argv[i], nullptr, 10);
  }
  if (mebibytes < 4) mebibytes = 4;
  if (NginxServer::FindBinary().empty()) {
    std::fprintf(stderr, "nginx is not installed\n");
    return 1;
  }
  std::string pattern = (std::filesystem::temp_directory_path() / "velmora-bench-dl-XXXXXX").string();
  if (!mkdtemp(pattern.data())) return 1;
  const std::string dir = pattern;
  std::filesystem::create_directory(dir + "/www");
  // Where the downloads go: the out/ folder below `work`.
  std::string work = dir;
  if (!outParent.empty()) {
    std::string outPattern = outParent + "/velmora-bench-dl-out-XXXXXX";
    if (!mkdtemp(outPattern.data())) return 1;
    work = outPattern;
  }
  int rc = 0;
  if (segmentsOnly) {
    if (!Segments(dir, work, mebibytes)) rc = 1;
  } else if (!WritePatternFile(dir + "/www/big.bin", mebibytes) ||
             !WritePatternFile(dir + "/www/quarter.bin", mebibytes / 4)) {
    std::fprintf(stderr, "cannot write the test files\n");
    rc = 1;
  } else {
    NginxServer nginx(dir, dir + "/www", false);
    if (!nginx.Start()) {
      std::fprintf(stderr, "nginx did not start:\n%s\n", nginx.ErrorLog().c_str());
      rc = 1;
    } else {
      std::printf("Downloads land in %s\n\n", work.c_str());
      std::filesystem::create_directory(dir + "/tls");
      std::filesystem::create_directory(dir + "/certs");
      TestCertificates certificates(dir + "/certs");
      NginxServer tls(dir + "/tls", dir + "/www", false);
      if (certificates.ok()) tls.UseTls(certificates.good().certificate, certificates.good().key);
      if (certificates.ok() && tls.Start()) {
        std::string url = tls.Url("/big.bin");
        SingleHttpsFile("https://" + url.substr(url.find("://") + 3), certificates.caFile(), work, mebibytes);
      } else {
        std::fprintf(stderr, "no TLS comparison: %s%s\n", certificates.Log().c_str(), tls.ErrorLog().c_str());
      }
      if (!httpsOnly) {
        SingleFile(nginx.Url("/big.bin"), work, mebibytes);
        FourAtOnce(nginx.Url("/quarter.bin"), work, mebibytes / 4);
        Limit(nginx.Url("/big.bin"), work);
        Heap(nginx.Url("/quarter.bin"), work);
        if (!Segments(dir, work, mebibytes)) rc = 1;
      }
    }
  }
  std::filesystem::remove_all(dir);
  if (work != dir) std::filesystem::remove_all(work);
  return rc;
}
