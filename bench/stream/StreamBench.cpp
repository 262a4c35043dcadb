// velmora-bench-stream: a segmented stream (200 one-second segments by
// default, made by ffmpeg from a noisy test picture so that segments do not
// shrink to nothing) from a private nginx that caps each connection
// (limit_rate), fetched into one MP4 by
//   - velmora-fetch URL FILE --connections 4 (segments four at a time,
//     then remuxed by ffmpeg),
//   - ffmpeg -http_multiple 0 -i URL -c copy (one segment at a time),
//   - ffmpeg -i URL -c copy (its default: reads one segment ahead),
//   - yt-dlp with its native HLS downloader and 4 concurrent fragments,
// in turns, each result checked with ffprobe (duration and streams).
//
// velmora-bench-stream [SEGMENTS] [--rate NGINX_RATE] [--out DIR]
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/net/BenchProcess.h"
#include "platform/ChildProcess.h"
#include "tests/net/support/NginxServer.h"

namespace {

using bench::Timing;

struct Contender {
  std::string name;
  std::vector<std::string> command;
  std::string output;
  double target;  // how many times faster velmora should be; 0 for none
};

std::string Probe(const std::string& file, const std::string& entry) {
  platform::ChildResult r = platform::RunProgram(
      {platform::FindProgram("ffprobe"), "-v", "error", "-show_entries", entry, "-of",
       "default=noprint_wrappers=1:nokey=1", file},
      {});
  std::string out = r.output;
  for (char& c : out)
    if (c == '\n') c = ' ';
  while (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

// Why a run does not count; empty when it does.
std::string Flaw(const Timing& t, const Contender& c, double seconds) {
  if (t.status != 0) return "exit " + std::to_string(t.status);
  if (!std::filesystem::exists(c.output)) return "no output";
  double duration = std::atof(Probe(c.output, "format=duration").c_str());
  if (std::fabs(duration - seconds) > 0.02 * seconds)
    return "duration " + std::to_string(duration) + " s instead of " + std::to_string(seconds);
  std::string streams = Probe(c.output, "stream=codec_type");
  if (streams != "video audio" && streams != "audio video") return "streams: " + streams;
  return "";
}

bool MakeStream(const std::string& folder, int segments) {
  std::filesystem::create_directories(folder);
  platform::ChildResult r = platform::RunProgram(
      {platform::FindProgram("ffmpeg"), "-nostdin", "-loglevel", "error", "-y", "-f", "lavfi", "-i",
       "testsrc=size=160x120:rate=10", "-f", "lavfi", "-i", "sine=frequency=440:sample_rate=22050", "-t",
       std::to_string(segments), "-vf", "noise=alls=40:allf=t", "-c:v", "libx264", "-preset", "ultrafast", "-g",
       "10", "-c:a", "aac", "-b:a", "32k", "-f", "hls", "-hls_time", "1", "-hls_playlist_type", "vod",
       "-hls_segment_filename", folder + "/s%04d.ts", folder + "/index.m3u8"},
      {});
  if (r.exitCode != 0) std::fprintf(stderr, "ffmpeg could not make the stream: %s\n", r.output.c_str());
  return r.exitCode == 0;
}

uintmax_t FolderBytes(const std::string& folder) {
  uintmax_t total = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) total += entry.file_size();
  return total;
}

}  // namespace

int main(int argc, char** argv) {
  std::setvbuf(stdout, nullptr, _IOLBF, 0);  // each result as it comes, into a log too
  int segments = 200;
  // nginx lets the first second's worth of every answer through at once, so
  // the cap bites only on segments larger than that: about 230 KB segments
  // under 120 KB/s take about a second each over one connection.
  std::string rate = "120k", outParent;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--rate") == 0 && i + 1 < argc) rate = argv[++i];
    else if (std::strcmp(argv[i], "--out") == 0 && i + 1 < argc) outParent = argv[++i];
    else segments = std::max(10, std::atoi(argv[i]));
  }
  if (NginxServer::FindBinary().empty() || platform::FindProgram("ffmpeg").empty() ||
      platform::FindProgram("ffprobe").empty()) {
    std::fprintf(stderr, "nginx, ffmpeg and ffprobe are needed (Debian packages nginx, ffmpeg)\n");
    return 1;
  }
  std::string pattern = (std::filesystem::temp_directory_path() / "velmora-bench-stream-XXXXXX").string();
  if (!mkdtemp(pattern.data())) return 1;
  const std::string dir = pattern, out = (outParent.empty() ? dir : outParent) + "/out";
  std::printf("Making a stream of %d one-second segments...\n", segments);
  if (!MakeStream(dir + "/www/s", segments)) return 1;
  NginxServer capped(dir, dir + "/www", false);
  capped.LimitRatePerRequest(rate);
  if (!capped.Start()) {
    std::fprintf(stderr, "nginx did not start: %s\n", capped.ErrorLog().c_str());
    return 1;
  }
  const std::string url = capped.Url("/s/index.m3u8");
  const double mib = static_cast<double>(FolderBytes(dir + "/www/s")) / (1 << 20);
  std::printf("%.1f MiB in %d segments, each connection capped at %s/s by nginx:\n", mib, segments, rate.c_str());
  const std::string ours = out + "/velmora.mp4";
  std::vector<Contender> contenders{
      {"velmora-fetch --connections 4", {bench::SelfDirectory() + "/velmora-fetch", url, ours, "--connections", "4"}, ours, 0},
      {"ffmpeg -http_multiple 0", {"ffmpeg", "-nostdin", "-loglevel", "error", "-http_multiple", "0", "-i", url, "-c", "copy", out + "/ff1.mp4"}, out + "/ff1.mp4", 3.0},
      {"ffmpeg (default)", {"ffmpeg", "-nostdin", "-loglevel", "error", "-i", url, "-c", "copy", out + "/ff.mp4"}, out + "/ff.mp4", 1.6},
  };
  if (!platform::FindProgram("yt-dlp").empty())
    contenders.push_back({"yt-dlp native, 4 fragments",
                          {"yt-dlp", "--ignore-config", "-q", "--no-progress", "--hls-prefer-native", "-N", "4", "-o",
                           out + "/yt.mp4", url},
                          out + "/yt.mp4", 1.0});
  else
    std::printf("  yt-dlp skipped: not installed (Debian package yt-dlp)\n");
  std::vector<Timing> results(contenders.size());
  for (size_t i = 0; i < contenders.size(); ++i) {
    std::filesystem::remove_all(out);
    std::filesystem::create_directories(out);
    Timing t = bench::Run(contenders[i].command);
    std::string flaw = Flaw(t, contenders[i], segments);
    std::printf("  %-32s wall %7.2f s  %7.2f MiB/s  cpu %6.2f s%s%s\n", contenders[i].name.c_str(), t.wall,
                mib / t.wall, t.cpu, flaw.empty() ? "" : "  NOT COUNTED: ", flaw.c_str());
    if (!flaw.empty()) t.status = t.status ? t.status : -2;
    results[i] = t;
  }
  for (size_t i = 1; i < contenders.size(); ++i) {
    if (results[0].status != 0 || results[i].status != 0) continue;
    double ratio = results[i].wall / results[0].wall;
    std::printf("  velmora vs %-28s %5.2fx faster (target >= %.1fx)%s\n", contenders[i].name.c_str(), ratio,
                contenders[i].target, ratio >= contenders[i].target ? "" : "  below target");
  }
  std::filesystem::remove_all(dir);
  if (!outParent.empty()) std::filesystem::remove_all(out);
  return 0;
}
