// The download engine: a table of tasks, at most `maxActive` of them running
// at once (each on its own worker thread), the others queued or paused; a
// global speed limit shared live by all; state changes reported to one
// listener.
//
// Threads: every public method may be called from any thread. Script-facing
// state is kept under one lock and handed out as snapshots. Pause, Remove
// and the destructor return within about a second: workers wait in 200 ms
// slices and are joined before those calls return, so no worker touches a
// task after Remove returns. The listener is called on worker threads and
// on the calling thread, never under the engine's lock.
#ifndef VELMORA_DL_DOWNLOADENGINE_H
#define VELMORA_DL_DOWNLOADENGINE_H

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "dl/RateLimiter.h"
#include "dl/SteadyClock.h"
#include "dl/TaskRun.h"
#include "dl/TaskState.h"

struct TaskOptions {
  std::string name;     // UTF-8; empty: the server's or the URL's
  int64_t limit = 0;    // bytes/s, 0 none
  std::string sha256;   // hex, any case; empty none
  bool start = true;
  // Sent with every request of the task (cookies, referrer); kept in
  // memory only, never written to the record or any other file.
  HeaderList headers;
  // Connections for one file, 1-16; 0 takes the engine's default when the
  // task starts.
  int connections = 0;
  std::string checksum = {};  // "ALGORITHM=HEX" (sha256, sha512, sha1, md5); empty none
  // Keep a web page even where the link names another kind of file.
  bool acceptWebPage = false;
  // For a stream: which variant ("best", "smallest", a height, an index)
  // and the container ("ts", "mp4"; empty: mp4 when ffmpeg is installed).
  std::string variant{};
  std::string container{};
};

struct EngineSettings {
  int maxActive = 3;
  int stallTimeoutSeconds = 30;
  int connections = 4;  // per task, unless the task names its own
  RetryPolicy retry;
  // Where the speed limits read the time; tests move one by hand.
  SteadyClock clock = std::chrono::steady_clock::now;
};

class DownloadEngine {
 public:
  using Listener = std::function<void(int64_t id, TaskState state)>;
  static constexpr int kMinActive = 1, kMaxActive = 20;
  static constexpr int kMinConnections = 1, kMaxConnections = 16;

  explicit DownloadEngine(EngineSettings settings = {});
  // Stops every transfer (keeping partial files and records) and joins.
  ~DownloadEngine();
  DownloadEngine(const DownloadEngine&) = delete;
  DownloadEngine& operator=(const DownloadEngine&) = delete;

  void SetListener(Listener listener);

  // `folder` is a native path of an existing directory. 0 with `error` on
  // bad input. A task whose part file and record are already there
  // continues from them.
  int64_t Add(const std::string& url, const std::string& folder, const TaskOptions& options, std::string& error);
  bool Start(int64_t id, std::string& error);
  // Returns once the task is no longer running.
  bool Pause(int64_t id, std::string& error);
  bool Remove(int64_t id, bool deleteFiles, std::string& error);
  // A new URL for a paused or failed task (a refreshed link): its next
  // start continues the part when the new answer is the same file.
  bool SetUrl(int64_t id, const std::string& url, Failure& failure);
  // Discards the part and its record and queues the task from its first
  // byte; `acceptWebPage` keeps a web page from now on.
  bool Restart(int64_t id, bool acceptWebPage, Failure& failure);
  std::optional<TaskSnapshot> Info(int64_t id) const;
  std::vector<int64_t> List() const;
  // Waits until the task is neither queued nor running, or `ms` passed;
  // nullopt when there is no such task (or it was removed meanwhile).
  std::optional<TaskState> Wait(int64_t id, int ms);

  bool SetMaxActive(int count);
  void SetLimit(int64_t bytesPerSecond);
  // The task's own limit, beside the global one (both hold), in bytes/s, 0
  // none. A running transfer (file or stream, on every connection) keeps to
  // it from its next read on; otherwise it holds from the next start.
  bool SetTaskLimit(int64_t id, int64_t bytesPerSecond, Failure& failure);
  bool SetStallTimeout(int seconds);
  // The default connections per task, for tasks started from now on.
  bool SetConnections(int count);

 private:
  struct Task;
  class Host;
  using Events = std::vector<std::pair<int64_t, TaskState>>;

  void PumpLocked(Events& events);
  void LaunchLocked(const std::shared_ptr<Task>& task, Events& events);
  void SetStateLocked(Task& task, TaskState state, Events& events);
  void RunWorker(std::shared_ptr<Task> task);
  void FinishWorker(Task& task, const RunOutcome& outcome);
  std::string ClaimNameLocked(const Task& task, const std::string& folder, const std::string& proposed);
  bool NameTakenLocked(const Task& task, const std::string& folder, const std::string& name) const;
  std::string ChooseInitialName(const std::string& url, const std::string& folder, const std::string& wanted);
  void Deliver(const Events& events);
  void ReapFinished();
  std::shared_ptr<Task> FindLocked(int64_t id) const;

  EngineSettings settings_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::map<int64_t, std::shared_ptr<Task>> tasks_;
  std::vector<std::thread> finished_;  // ended workers waiting to be joined
  int64_t nextId_ = 1;
  int maxActive_;
  int stallTimeout_;
  int connections_;
  bool shuttingDown_ = false;
  RateLimiter globalLimit_;
  Listener listener_;
  std::mutex listenerMutex_;
};

#endif
