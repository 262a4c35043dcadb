// velmora-fetch URL [FILE] [--resume] [--connections N] [--pause MS]: fetches from the command
// line, http:// and https:// alike, IPv4 and IPv6 hosts alike, straight or
// through the proxy the environment names. Without FILE the body goes to
// standard output whole, as it came (gzip and deflate undone, 1 GiB at
// most), through the network library's GET; a status other than 2xx fails
// with 22. --pause is
// accepted for the scripts that pass it and changes nothing. With
// FILE it is downloaded by the download engine at full speed, through
// FILE.part and its record, so an interrupted run continues where it
// stopped (--resume is accepted and is what always happens), over up to N
// connections at once (1-16, default 4) where the server allows; progress goes
// to standard error when that is a terminal. Redirects are followed.
// On failure the result code and its message go to standard error (with
// the reason when the server could not be reached) and the code is the
// exit status.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/ResultCode.h"
#include "dl/DownloadEngine.h"
#include "dl/PartRecord.h"
#include "net/HttpGet.h"
#include "net/HttpUrl.h"
#include "net/WBodySource.h"
#include "platform/Files.h"

namespace {

struct Options {
  const char* url = nullptr;
  const char* file = nullptr;
  bool resume = false;
  int pauseMs = 0;
  int connections = 0;  // the engine's default
};

int Usage() {
  std::fprintf(stderr, "usage: velmora-fetch URL [FILE [--resume] [--connections N]] [--pause MS]\n");
  return 2;
}

bool ParseNumber(const char* text, long low, long high, int* out) {
  char* end = nullptr;
  long value = std::strtol(text, &end, 10);
  if (!*text || *end || value < low || value > high) return false;
  *out = static_cast<int>(value);
  return true;
}

bool ParseOptions(int argc, char** argv, Options* options) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--resume") == 0) {
      options->resume = true;
    } else if (std::strcmp(argv[i], "--pause") == 0) {
      if (++i >= argc || !ParseNumber(argv[i], 0, 60000, &options->pauseMs)) return false;
    } else if (std::strcmp(argv[i], "--connections") == 0) {
      if (++i >= argc || !ParseNumber(argv[i], DownloadEngine::kMinConnections, DownloadEngine::kMaxConnections,
                                      &options->connections))
        return false;
    } else if (!options->url) {
      options->url = argv[i];
    } else if (!options->file) {
      options->file = argv[i];
    } else {
      return false;
    }
  }
  return options->url && (options->file || (!options->resume && !options->connections));
}

const char* MessageOf(ResultCode code) {
  if (code >= 0 && code < kResultCodeCount) return kResultMessages[code];
  return "decompression failed (zlib status)";
}

int Fail(ResultCode code, const std::string& detail) {
  std::fprintf(stderr, "velmora-fetch: %d %s%s%s\n", code, MessageOf(code), detail.empty() ? "" : ": ",
               detail.c_str());
  return code;
}

std::string HumanBytes(int64_t bytes) {
  const char* units[] = {"B", "KiB", "MiB", "GiB", "TiB"};
  double value = static_cast<double>(bytes);
  int unit = 0;
  while (value >= 1024 && unit < 4) value /= 1024, ++unit;
  char text[32];
  std::snprintf(text, sizeof text, unit ? "%.1f %s" : "%.0f %s", value, units[unit]);
  return text;
}

void ShowProgress(const TaskSnapshot& s) {
  std::string line = HumanBytes(s.done);
  if (s.total >= 0) {
    char percent[16];
    std::snprintf(percent, sizeof percent, "%5.1f%% ", s.total ? 100.0 * static_cast<double>(s.done) / static_cast<double>(s.total) : 100.0);
    line = percent + line + " of " + HumanBytes(s.total);
  }
  line += "  " + HumanBytes(s.speed) + "/s";
  if (s.eta >= 0) line += "  eta " + std::to_string(s.eta) + " s";
  std::fprintf(stderr, "\r%-60s", line.c_str());
}

// A part file without a record for this URL is the leftover of a run cut
// before its first record: nothing in it can be trusted, and it would
// push the download to another name.
bool ClearStalePart(const std::string& url, const std::string& file) {
  std::string part = file + ".part";
  PartRecord record;
  std::string why;
  if (!platform::PathExists(part)) return true;
  if (LoadPartRecord(PartRecordPath(part), record, why)) return record.source == url;
  return platform::RemoveFile(part) == 0;
}

int Download(const Options& options) {
  std::string file = options.file;
  size_t slash = file.find_last_of('/');
  std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : file.substr(0, slash);
  std::string name = slash == std::string::npos ? file : file.substr(slash + 1);
  if (platform::PathExists(file)) return Fail(FileExist, file + " exists; remove it first");
  if (!ClearStalePart(options.url, file))
    return Fail(FileExist, file + ".part belongs to another download; remove it first");
  std::string error;
  HttpUrl url;
  if (!ParseHttpUrl(options.url, url, error)) return Fail(HttpUrlError, error);
  DownloadEngine engine;
  TaskOptions task;
  task.name = name;
  task.connections = options.connections;
  int64_t id = engine.Add(options.url, folder, task, error);
  if (!id) return Fail(InitParamsError, error);
  bool terminal = isatty(STDERR_FILENO);
  for (;;) {
    auto state = engine.Wait(id, 250);
    auto snapshot = engine.Info(id);
    if (!state || !snapshot) return Fail(UnknownError, "the task vanished");
    if (terminal) ShowProgress(*snapshot);
    if (*state == TaskState::Done) break;
    if (*state == TaskState::Failed) {
      if (terminal) std::fputc('\n', stderr);
      return Fail(snapshot->code ? snapshot->code : UnknownError, snapshot->error);
    }
    // Nothing here pauses the task: a pause is the engine giving up in
    // silence, and waiting on it again would return at once, for ever.
    if (*state == TaskState::Paused) {
      if (terminal) std::fputc('\n', stderr);
      return Fail(UnknownError, "the download stopped without being asked to; the partial file is kept");
    }
  }
  if (terminal) std::fputc('\n', stderr);
  return Success;
}

// Failures to reach the server say why; the kinds of a bad answer speak
// for themselves.
bool WorthItsReason(FailureCause cause) {
  switch (cause) {
    case FailureCause::BadInput:
    case FailureCause::Unsupported:
    case FailureCause::Dns:
    case FailureCause::Refused:
    case FailureCause::Timeout:
    case FailureCause::Tls:
    case FailureCause::TlsCertificate:
    case FailureCause::Proxy:
    case FailureCause::ProxyAuth:
    case FailureCause::Redirect:
      return true;
    default:
      return false;
  }
}

// The body goes out only when it came whole, so a cut answer prints
// nothing; up to the size the text path always held in memory.
int Print(const Options& options) {
  HttpGetAnswer answer;
  std::string error;
  HttpGetOptions get;
  get.maxBodyBytes = kMaxInMemoryBody;
  if (!HttpGet(options.url, {}, answer, error, get))
    return Fail(answer.code ? answer.code : UnknownError, WorthItsReason(answer.cause) ? error : std::string());
  if (answer.status < 200 || answer.status > 299) return Fail(HttpTypeError, {});
  std::fwrite(answer.body.data(), 1, answer.body.size(), stdout);
  return std::fflush(stdout) == 0 ? Success : Fail(OpenFileError, "standard output could not be written");
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, &options)) return Usage();
  return options.file ? Download(options) : Print(options);
}
