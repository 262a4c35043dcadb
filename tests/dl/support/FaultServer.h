// A file server that misbehaves the way real ones do, at random but
// replayably: every request draws, from one generator seeded once, whether
// it is answered well or with one fault, and the fault's details. The same
// seed and the same order of requests give the same answers, so a trial
// that went wrong can be run again as it was.
//
// The file has several versions (each with its own ETag and Last-Modified,
// some of another length); the server moves to the next one when a
// "new version" fault comes up, and stays there. Some servers ignore
// If-Range altogether, as some do, and answer a resume of an old version
// with a 206 of the new one. With `stickyChance` the first lasting fault a
// server draws (not a one-off such as a stall or a new version) becomes its
// answer to every later request: a server that always cuts at the same
// place, always sends the login page, and so on.
#ifndef VELMORA_TESTS_DL_FAULTSERVER_H
#define VELMORA_TESTS_DL_FAULTSERVER_H

#include <cstdint>
#include <mutex>
#include <random>
#include <string>
#include <vector>

#include "tests/dl/support/HttpTestServer.h"

enum class Fault {
  None,
  CutAnywhere,          // the body stops at a random byte
  CutSamePlace,         // every answer covering one offset stops there
  RestartAndCut,        // Range ignored (200, whole body) and cut at that offset
  Stall,                // silent a while mid-body, then goes on or hangs up
  Trickle,              // a few KiB a second for a while, then hangs up
  IgnoreRange,          // 200 with the whole body to a Range request
  IgnoreIfRange,        // a new version, sent as 206 though If-Range names the old
  WrongContentRange,    // 206 of other bytes, or naming another total
  RangeNotSatisfiable,  // 416 to a range that fits
  WebPage,              // 200 text/html, a small page, in place of the file
  Unavailable,          // 503 or 429 with Retry-After in seconds or as a date
  NewVersion,           // the file changes, then the answer is honest
  ShortLength,          // to a Range request: 200 declaring fewer bytes than the file
  EmptyPartial,         // 206 whose body never comes (or is declared empty)
  CutChunked,           // chunked body that stops before its last chunk
  kCount
};

const char* FaultName(Fault fault);

struct FaultSettings {
  uint64_t seed = 1;
  double rate = 0.02;          // chance that a request draws a fault
  double stickyChance = 0;     // chance that the server keeps its first fault
  size_t size = 4 << 20;       // bytes of the first version
  int versions = 3;
  int64_t pace = 0;            // bytes/s of each answer's body, 0 at once
  int maxDelayMs = 1500;       // longest stall, trickle or Retry-After wait
  std::vector<Fault> kinds;    // the faults drawn from; empty: all
};

struct FileVersion {
  std::string body;
  std::string etag;
  std::string lastModified;
};

// What one request got, in arrival order.
struct ServedRequest {
  std::string range;
  std::string ifRange;
  Fault fault = Fault::None;
  int version = 0;
  int status = 0;
  std::string detail;
};

class FaultServer {
 public:
  explicit FaultServer(FaultSettings settings);
  FaultServer(const FaultServer&) = delete;
  FaultServer& operator=(const FaultServer&) = delete;

  // The file's URL; its name says it is not a web page.
  std::string Url() const { return http_.Url("/files/data.bin"); }
  uint16_t port() const { return http_.port(); }
  const std::vector<FileVersion>& versions() const { return versions_; }
  bool ignoresIfRange() const { return ignoresIfRange_; }
  std::vector<ServedRequest> log() const;
  size_t requests() const;
  // The log as one line per request, for a failure message.
  std::string Describe() const;

  // The page sent in place of the file (339 bytes).
  static const std::string& WebPage();

 private:
  struct Plan;
  struct Shape;

  void Handle(const HttpRequest& request, ServerPeer& peer);
  // Called under the mutex, one request after another, so that the draws
  // follow the order of the requests.
  Plan Decide(const HttpRequest& request);
  Shape ShapeAnswer(const ServedRequest& served, Fault fault);
  void ReplaceAnswer(Shape& shape, Plan& plan, ServedRequest& served);
  void FileAnswer(const Shape& shape, Plan& plan, ServedRequest& served);
  Fault DrawFault();
  int64_t Below(int64_t bound);
  void Send(const Plan& plan, ServerPeer& peer) const;

  const FaultSettings settings_;
  std::vector<FileVersion> versions_;
  bool ignoresIfRange_ = false;
  bool sticky_ = false;
  int64_t cutOffset_ = 0;  // where CutSamePlace and RestartAndCut stop

  mutable std::mutex mutex_;
  std::mt19937_64 random_;
  int current_ = 0;
  Fault stuck_ = Fault::None;
  std::vector<ServedRequest> log_;

  // Last, so that it stops (and joins its threads) before the rest goes.
  HttpTestServer http_;
};

#endif
