#include "dl/stream/Remux.h"

#include <vector>

#include "platform/ChildProcess.h"
#include "platform/Files.h"

namespace {

// The last line ffmpeg wrote, which names what went wrong.
std::string LastLine(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  size_t newline = text.find_last_of('\n');
  return newline == std::string::npos ? text : text.substr(newline + 1);
}

}  // namespace

std::string FindFfmpeg() { return platform::FindProgram("ffmpeg"); }

RemuxResult Remux(const std::string& ffmpeg, const RemuxJob& job, const std::function<bool()>& stop) {
  std::vector<std::string> argv{ffmpeg, "-nostdin", "-hide_banner", "-loglevel", "error", "-y",
                                "-f", job.video.format, "-i", job.video.path};
  if (!job.audio.path.empty()) {
    argv.insert(argv.end(), {"-f", job.audio.format, "-i", job.audio.path, "-map", "0:v?", "-map", "1:a"});
  } else {
    argv.insert(argv.end(), {"-map", "0"});
  }
  argv.insert(argv.end(), {"-c", "copy", "-f", "mp4", job.output});
  platform::ChildResult child = platform::RunProgram(argv, stop);
  RemuxResult result;
  result.stopped = child.stopped;
  if (!child.started) result.error = "ffmpeg did not start: " + child.error;
  else if (child.stopped) result.error = "stopped";
  else if (child.exitCode != 0)
    result.error = "ffmpeg failed (exit " + std::to_string(child.exitCode) + "): " + LastLine(child.output);
  result.ok = child.started && !child.stopped && child.exitCode == 0;
  if (!result.ok) platform::RemoveFile(job.output);
  return result;
}
