// velmora-fetch URL [FILE] [--resume] [--pause MS]: checks from the command
// line that a host answers the way the client expects. Without FILE the body
// goes to standard output (through Get, as text: it ends at a zero byte);
// with FILE it is downloaded (through DownloadFile). 302s are followed.
// On failure the result code and its message go to standard error and the
// code is the exit status.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/ResultCode.h"
#include "net/WHttp.h"

namespace {

struct Options {
  const char* url = nullptr;
  const char* file = nullptr;
  bool resume = false;
  int pauseMs = 0;
};

int Usage() {
  std::fprintf(stderr, "usage: velmora-fetch URL [FILE [--resume]] [--pause MS]\n");
  return 2;
}

bool ParsePause(const char* text, int* pauseMs) {
  char* end = nullptr;
  long value = std::strtol(text, &end, 10);
  if (!*text || *end || value < 0 || value > 60000) return false;
  *pauseMs = static_cast<int>(value);
  return true;
}

bool ParseOptions(int argc, char** argv, Options* options) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--resume") == 0) {
      options->resume = true;
    } else if (std::strcmp(argv[i], "--pause") == 0) {
      if (++i >= argc || !ParsePause(argv[i], &options->pauseMs)) return false;
    } else if (!options->url) {
      options->url = argv[i];
    } else if (!options->file) {
      options->file = argv[i];
    } else {
      return false;
    }
  }
  return options->url && (options->file || !options->resume);
}

const char* MessageOf(ResultCode code) {
  if (code >= 0 && code < kResultCodeCount) return kResultMessages[code];
  return "decompression failed (zlib status)";
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, &options)) return Usage();
  WHttp http;
  http.SetReadPause(options.pauseMs);
  ResultCode result;
  if (options.file) {
    result = http.DownloadFile(options.url, options.file, options.resume, true);
  } else {
    std::string body;
    result = http.Get(options.url, body, true, "");
    if (result == Success) std::fwrite(body.data(), 1, body.size(), stdout);
  }
  if (result != Success) std::fprintf(stderr, "velmora-fetch: %d %s\n", result, MessageOf(result));
  return result;
}
