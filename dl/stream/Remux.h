// Putting a joined stream into an MP4 container without re-encoding, with
// a separate audio track joined in, by the system's ffmpeg run as a child
// process. ffmpeg is optional: without it the joined stream is the result.
#ifndef VELMORA_DL_STREAM_REMUX_H
#define VELMORA_DL_STREAM_REMUX_H

#include <functional>
#include <string>

struct RemuxInput {
  std::string path;
  std::string format;  // ffmpeg's name: "mpegts" or "mp4"
};

struct RemuxJob {
  RemuxInput video;
  RemuxInput audio;    // empty path when there is no separate audio
  std::string output;  // written as MP4, replaced if there
};

struct RemuxResult {
  bool ok = false;
  bool stopped = false;
  std::string error;  // why it failed, for people
};

// The ffmpeg on PATH, or empty.
std::string FindFfmpeg();

RemuxResult Remux(const std::string& ffmpeg, const RemuxJob& job, const std::function<bool()>& stop);

#endif
