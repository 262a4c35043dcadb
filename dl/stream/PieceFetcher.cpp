#include "dl/stream/PieceFetcher.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <optional>
#include <thread>

#include "dl/StoppablePause.h"
#include "dl/stream/SegmentCipher.h"
#include "platform/ErrorText.h"

namespace {

using End = FetchedResource::End;

bool Decrypt(const Piece& piece, const PieceFetchSetup& setup, FetchedResource& fetched) {
  if (piece.key.method != SegmentKey::Method::Aes128) return true;
  FetchedResource key = setup.keys.Get(piece.key.uri, setup.context);
  if (key.end != End::Done) {
    fetched = std::move(key);
    fetched.error = "key " + piece.key.uri + ": " + fetched.error;
    return false;
  }
  std::string error;
  if (DecryptAes128Cbc(key.body, piece.key.iv.value_or(SequenceIv(piece.sequence)), fetched.body, error)) return true;
  fetched.end = End::Fail;
  fetched.cause = FailureCause::BadAnswer;
  fetched.code = NetReadError;
  fetched.error = piece.uri + ": " + error;
  return false;
}

// The shared state of one run: which piece is handed out next, the pieces
// fetched but not yet written, and the first failure.
struct Line {
  std::mutex mutex;
  std::condition_variable changed;
  int64_t next = 0;
  int64_t written = 0;
  std::map<int64_t, std::string> ready;
  std::optional<PieceFetchOutcome> failed;
  bool stopped = false;
};

void Fetcher(const PieceFetchSetup& setup, Line& line, int64_t window) {
  const int64_t count = static_cast<int64_t>(setup.pieces.size());
  for (;;) {
    int64_t index;
    {
      std::unique_lock lock(line.mutex);
      line.changed.wait(lock, [&] { return line.failed || line.stopped || line.next >= count || line.next < line.written + window; });
      if (line.failed || line.stopped || line.next >= count) return;
      index = line.next++;
    }
    FetchedResource fetched = FetchPiece(setup.pieces[static_cast<size_t>(index)], setup);
    std::lock_guard lock(line.mutex);
    if (fetched.end == End::Done) line.ready.emplace(index, std::move(fetched.body));
    else if (fetched.end == End::Stop) line.stopped = true;
    else if (!line.failed) line.failed = PieceFetchOutcome{fetched.end, fetched.cause, fetched.code, fetched.error};
    line.changed.notify_all();
  }
}

}  // namespace

FetchedResource FetchPiece(const Piece& piece, const PieceFetchSetup& setup) {
  FetchedResource fetched;
  for (int tries = 1;; ++tries) {
    fetched = FetchResource(piece.uri, piece.span, setup.maxPieceBytes,
                            "the segment size limit of " + std::to_string(setup.maxPieceBytes >> 20) + " MiB",
                            setup.context);
    if (fetched.end == End::Done && Decrypt(piece, setup, fetched)) return fetched;
    if (fetched.end != End::Retry) return fetched;
    if (tries >= setup.maxTries) {
      fetched.end = End::Fail;
      fetched.error = piece.uri + ": " + fetched.error + " (gave up after " + std::to_string(tries) + " tries)";
      return fetched;
    }
    if (!PauseUnlessStopped(setup.context.stopped, setup.firstPauseMs << std::min(tries - 1, 10))) {
      fetched.end = End::Stop;
      return fetched;
    }
  }
}

PieceFetchOutcome FetchPieces(const PieceFetchSetup& setup,
                              const std::function<int(int64_t index, const std::string& bytes)>& write,
                              const std::function<void()>& idle) {
  const int64_t count = static_cast<int64_t>(setup.pieces.size());
  Line line;
  line.next = line.written = setup.first;
  int connections = std::max(setup.connections, 1);
  int64_t window = 2 * static_cast<int64_t>(connections);
  std::vector<std::thread> fetchers;
  for (int i = 0; i < connections && setup.first + i < count; ++i)
    fetchers.emplace_back(Fetcher, std::cref(setup), std::ref(line), window);
  PieceFetchOutcome outcome;
  for (;;) {
    std::vector<std::pair<int64_t, std::string>> inOrder;
    {
      std::unique_lock lock(line.mutex);
      line.changed.wait_for(lock, std::chrono::milliseconds(200), [&] {
        return line.failed || line.stopped || line.ready.count(line.written) || line.written >= count;
      });
      if (setup.context.stopped && setup.context.stopped()) line.stopped = true;
      for (auto found = line.ready.find(line.written); found != line.ready.end();
           found = line.ready.find(line.written)) {
        inOrder.emplace_back(found->first, std::move(found->second));
        line.ready.erase(found);
        ++line.written;
      }
      line.changed.notify_all();
    }
    // Pieces fetched before a failure or a stop still go to disk.
    for (const auto& [index, bytes] : inOrder) {
      if (int error = write(index, bytes)) {
        std::lock_guard lock(line.mutex);
        if (!line.failed)
          line.failed = PieceFetchOutcome{End::Fail, FailureCause::Disk, OpenFileError,
                                          "cannot write the part file: " + platform::ErrorText(error)};
        line.changed.notify_all();
        break;
      }
    }
    idle();
    std::lock_guard lock(line.mutex);
    if (line.failed) outcome = *line.failed;
    else if (line.stopped) outcome.end = End::Stop;
    else if (line.written < count) continue;
    line.stopped = true;  // the fetchers end
    line.changed.notify_all();
    break;
  }
  for (auto& fetcher : fetchers) fetcher.join();
  return outcome;
}
