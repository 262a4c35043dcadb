#include "dl/DownloadNotifier.h"

#include <mutex>

namespace {

std::mutex posterMutex;
// Never destroyed: a worker still running while the process exits may post.
DownloadStatePoster& Poster() {
  static DownloadStatePoster* const poster = new DownloadStatePoster();
  return *poster;
}

}  // namespace

void SetDownloadStatePoster(DownloadStatePoster poster) {
  std::lock_guard lock(posterMutex);
  Poster() = std::move(poster);
}

void PostDownloadState(int64_t id, TaskState state) {
  std::lock_guard lock(posterMutex);
  if (Poster()) Poster()(id, state);
}
