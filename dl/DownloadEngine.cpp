#include "dl/DownloadEngine.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <ctime>

#include "dl/FileNaming.h"
#include "net/HttpUrl.h"
#include "net/HeaderList.h"
#include "dl/PartRecord.h"
#include "dl/SpeedMeter.h"
#include "dl/TaskHeaders.h"
#include "dl/TaskRunner.h"
#include "dl/stream/StreamDetect.h"
#include "dl/stream/StreamRecord.h"
#include "dl/stream/VariantChoice.h"
#include "platform/Files.h"

struct DownloadEngine::Task {
  explicit Task(SteadyClock clock) : limiter(std::move(clock)) {}

  int64_t id = 0;
  TaskSetup setup;  // name filled in once known
  int64_t added = 0;
  RateLimiter limiter;

  // Written by the worker without the lock, at full speed.
  std::atomic<int64_t> done{0};
  std::atomic<int64_t> total{-1};

  // Under the engine's lock.
  TaskState state = TaskState::Paused;
  std::string file;
  std::string finalUrl;
  FailureCause cause = FailureCause::None;
  ResultCode code = Success;
  int httpStatus = 0;
  std::string error;
  int64_t finished = 0;
  // Set by the worker on every read of a segmented transfer, so kept out
  // of the engine's lock like the progress counters.
  std::atomic<int> connections{0};
  int64_t retryAt = 0;
  std::string checksumAlgorithm, checksumSource, checksumState = "none";
  std::optional<StreamFacts> stream;
  SpeedMeter meter;
  bool removed = false;
  std::thread worker;

  std::atomic<bool> stop{false};
};

// The engine as one task's worker sees it.
class DownloadEngine::Host final : public TaskHost {
 public:
  Host(DownloadEngine& engine, Task& task) : engine_(engine), task_(task) {}

  bool StopRequested() override { return task_.stop.load(std::memory_order_relaxed); }

  int StallTimeoutSeconds() override {
    std::lock_guard lock(engine_.mutex_);
    return engine_.stallTimeout_;
  }

  std::string ClaimName(const std::string& folder, const std::string& proposed) override {
    std::lock_guard lock(engine_.mutex_);
    return engine_.ClaimNameLocked(task_, folder, proposed);
  }

  void Named(const std::string& name, const std::string& file) override {
    std::lock_guard lock(engine_.mutex_);
    task_.setup.name = name;
    task_.file = file;
  }

  void Answered(const std::string& finalUrl) override {
    std::lock_guard lock(engine_.mutex_);
    task_.finalUrl = finalUrl;
  }

  void Waiting(int64_t unixSeconds) override {
    std::lock_guard lock(engine_.mutex_);
    task_.retryAt = unixSeconds;
  }

  void Connections(int count) override { task_.connections.store(count, std::memory_order_relaxed); }

  void Checksum(const std::string& algorithm, const std::string& source, const std::string& state) override {
    std::lock_guard lock(engine_.mutex_);
    task_.checksumAlgorithm = algorithm;
    task_.checksumSource = source;
    task_.checksumState = state;
  }

  void Streaming(const StreamFacts& facts) override {
    std::lock_guard lock(engine_.mutex_);
    task_.stream = facts;
  }

  void Progress(int64_t done, int64_t total) override {
    task_.done.store(done, std::memory_order_relaxed);
    task_.total.store(total, std::memory_order_relaxed);
    // The speed needs a sample twice a second, not one per read; the lock is
    // taken only then, so parallel transfers do not meet on it.
    auto now = SpeedMeter::Clock::now();
    if (now - lastSample_ < std::chrono::milliseconds(100)) return;
    lastSample_ = now;
    std::lock_guard lock(engine_.mutex_);
    task_.meter.Sample(done, now);
  }

 private:
  DownloadEngine& engine_;
  Task& task_;
  SpeedMeter::Clock::time_point lastSample_{};
};

namespace {

int64_t Now() { return static_cast<int64_t>(std::time(nullptr)); }

// The older `sha256` option is a checksum of one algorithm.
bool ReadChecksum(const TaskOptions& options, ExpectedDigest& out, std::string& error) {
  if (!options.sha256.empty() && !options.checksum.empty())
    return error = "give sha256 or checksum, not both", false;
  if (!options.sha256.empty() && !ParseChecksumOption("sha256=" + options.sha256, out, error))
    return error = "sha256 must be 64 hexadecimal digits", false;
  return options.checksum.empty() || ParseChecksumOption(options.checksum, out, error);
}

bool RecordContinues(const std::string& folder, const std::string& name, const std::string& url) {
  PartRecord record;
  std::string why;
  std::string part = folder + "/" + name + ".part";
  return (LoadPartRecord(PartRecordPath(part), record, why) && record.source == url) ||
         StreamRecordContinues(part, url);
}

}  // namespace

DownloadEngine::DownloadEngine(EngineSettings settings)
    : settings_(settings), maxActive_(settings.maxActive), stallTimeout_(settings.stallTimeoutSeconds),
      connections_(std::clamp(settings.connections, kMinConnections, kMaxConnections)),
      globalLimit_(settings.clock) {}

DownloadEngine::~DownloadEngine() {
  {
    std::lock_guard lock(listenerMutex_);
    listener_ = nullptr;
  }
  std::vector<std::thread> workers;
  {
    std::lock_guard lock(mutex_);
    shuttingDown_ = true;
    for (auto& [id, task] : tasks_) {
      task->stop = true;
      if (task->worker.joinable()) workers.push_back(std::move(task->worker));
    }
  }
  for (auto& worker : workers) worker.join();
  ReapFinished();
}

void DownloadEngine::SetListener(Listener listener) {
  std::lock_guard lock(listenerMutex_);
  listener_ = std::move(listener);
}

void DownloadEngine::Deliver(const Events& events) {
  if (events.empty()) return;
  changed_.notify_all();
  std::lock_guard lock(listenerMutex_);
  if (!listener_) return;
  for (const auto& [id, state] : events) listener_(id, state);
}

void DownloadEngine::ReapFinished() {
  std::vector<std::thread> ended;
  {
    std::lock_guard lock(mutex_);
    ended.swap(finished_);
  }
  for (auto& thread : ended) {
    if (thread.get_id() == std::this_thread::get_id()) {
      // A listener calling back from a worker: that worker is joined later.
      std::lock_guard lock(mutex_);
      finished_.push_back(std::move(thread));
      continue;
    }
    thread.join();
  }
}

std::shared_ptr<DownloadEngine::Task> DownloadEngine::FindLocked(int64_t id) const {
  auto found = tasks_.find(id);
  return found == tasks_.end() ? nullptr : found->second;
}

void DownloadEngine::SetStateLocked(Task& task, TaskState state, Events& events) {
  if (task.state == state) return;
  task.state = state;
  if (!task.removed) events.emplace_back(task.id, state);
}

bool DownloadEngine::NameTakenLocked(const Task& task, const std::string& folder, const std::string& name) const {
  std::string path = folder + "/" + name;
  if (platform::PathExists(path) || platform::PathExists(path + ".part")) return true;
  for (const auto& [id, other] : tasks_)
    if (other.get() != &task && other->setup.folder == folder && other->setup.name == name) return true;
  return false;
}

std::string DownloadEngine::ClaimNameLocked(const Task& task, const std::string& folder, const std::string& proposed) {
  std::string name =
      UniqueFileName(proposed, [&](const std::string& candidate) { return NameTakenLocked(task, folder, candidate); });
  const_cast<Task&>(task).setup.name = name;
  return name;
}

std::string DownloadEngine::ChooseInitialName(const std::string& url, const std::string& folder,
                                              const std::string& wanted) {
  Task probe(settings_.clock);  // stands for the new task in the name checks
  std::string name = SafeFileName(wanted.empty() ? FileNameFromUrl(url) : wanted);
  bool ownedByOther = false;
  for (const auto& [id, other] : tasks_)
    if (other->setup.folder == folder && other->setup.name == name) ownedByOther = true;
  if (!ownedByOther && RecordContinues(folder, name, url)) return name;
  if (wanted.empty()) return {};  // the server's answer names it
  return UniqueFileName(name, [&](const std::string& candidate) { return NameTakenLocked(probe, folder, candidate); });
}

int64_t DownloadEngine::Add(const std::string& url, const std::string& folder, const TaskOptions& options,
                            std::string& error) {
  ReapFinished();
  HttpUrl parsed;
  if (!ParseHttpUrl(url, parsed, error)) return 0;
  if (platform::PathKindOf(folder) != platform::PathKind::Directory)
    return error = "folder does not exist: " + folder, 0;
  ExpectedDigest checksum;
  if (!ReadChecksum(options, checksum, error)) return 0;
  if (options.limit < 0) return error = "limit must not be negative", 0;
  if (!CheckTaskHeaders(options.headers, error)) return 0;
  if (options.connections != 0 && (options.connections < kMinConnections || options.connections > kMaxConnections))
    return error = "connections must be 1 to 16", 0;
  if (!IsVariantOption(options.variant))
    return error = "variant must be best, smallest, a height or an index", 0;
  if (!options.container.empty() && options.container != "ts" && options.container != "mp4")
    return error = "container must be ts or mp4", 0;
  std::string trimmedFolder = folder;
  while (trimmedFolder.size() > 1 && trimmedFolder.back() == '/') trimmedFolder.pop_back();
  Events events;
  int64_t id;
  {
    std::lock_guard lock(mutex_);
    auto task = std::make_shared<Task>(settings_.clock);
    id = task->id = nextId_++;
    task->setup = TaskSetup{url,     trimmedFolder, ChooseInitialName(url, trimmedFolder, options.name),
                            checksum, {},           options.acceptWebPage, options.headers, options.connections,
                            options.variant, options.container};
    if (!task->setup.name.empty()) task->file = trimmedFolder + "/" + task->setup.name;
    task->added = Now();
    if (IsPlaylistUrl(url)) task->stream = StreamFacts{};  // a stream before its first answer
    task->limiter.SetRate(options.limit);
    task->state = options.start ? TaskState::Queued : TaskState::Paused;
    tasks_[id] = task;
    events.emplace_back(id, task->state);
    PumpLocked(events);
  }
  Deliver(events);
  return id;
}

void DownloadEngine::PumpLocked(Events& events) {
  if (shuttingDown_) return;
  int running = 0;
  for (const auto& [id, task] : tasks_) running += task->state == TaskState::Running;
  for (const auto& [id, task] : tasks_) {
    if (running >= maxActive_) break;
    if (task->state != TaskState::Queued) continue;
    LaunchLocked(task, events);
    ++running;
  }
}

void DownloadEngine::LaunchLocked(const std::shared_ptr<Task>& task, Events& events) {
  task->cause = FailureCause::None;
  task->code = Success;
  task->httpStatus = 0;
  task->error.clear();
  task->finished = 0;
  task->retryAt = 0;
  task->connections = 0;
  task->stop = false;
  task->meter.Reset();
  SetStateLocked(*task, TaskState::Running, events);
  if (task->worker.joinable()) finished_.push_back(std::move(task->worker));
  task->worker = std::thread(&DownloadEngine::RunWorker, this, task);
}

void DownloadEngine::RunWorker(std::shared_ptr<Task> task) {
  TaskSetup setup;
  {
    std::lock_guard lock(mutex_);
    setup = task->setup;
    if (setup.connections == 0) setup.connections = connections_;
  }
  Host host(*this, *task);
  RunOutcome outcome = RunTask(setup, host, task->limiter, globalLimit_, settings_.retry);
  FinishWorker(*task, outcome);
}

void DownloadEngine::FinishWorker(Task& task, const RunOutcome& outcome) {
  Events events;
  {
    std::lock_guard lock(mutex_);
    if (outcome.end == RunOutcome::End::Done) {
      task.finished = Now();
      if (task.total >= 0) task.done = task.total.load();
      SetStateLocked(task, TaskState::Done, events);
    } else if (outcome.end == RunOutcome::End::Failed) {
      task.cause = outcome.cause;
      task.code = outcome.code;
      task.httpStatus = outcome.httpStatus;
      task.error = outcome.error;
      task.finished = Now();
      SetStateLocked(task, TaskState::Failed, events);
    } else if (task.stop) {
      SetStateLocked(task, TaskState::Paused, events);
    } else {
      // Only the owner pauses a task; anything else ending it is a failure.
      task.cause = FailureCause::Internal;
      task.code = UnknownError;
      task.error = "the transfer stopped without being asked to";
      task.finished = Now();
      SetStateLocked(task, TaskState::Failed, events);
    }
    task.connections = 0;
    task.retryAt = 0;
    if (task.worker.joinable()) finished_.push_back(std::move(task.worker));
    PumpLocked(events);
  }
  Deliver(events);
  changed_.notify_all();
}

bool DownloadEngine::Start(int64_t id, std::string& error) {
  ReapFinished();
  Events events;
  {
    std::lock_guard lock(mutex_);
    auto task = FindLocked(id);
    if (!task) return error = "no task " + std::to_string(id), false;
    if (task->state == TaskState::Paused || task->state == TaskState::Failed) {
      SetStateLocked(*task, TaskState::Queued, events);
      PumpLocked(events);
    }
  }
  Deliver(events);
  return true;
}

bool DownloadEngine::Pause(int64_t id, std::string& error) {
  ReapFinished();
  Events events;
  std::thread worker;
  {
    std::lock_guard lock(mutex_);
    auto task = FindLocked(id);
    if (!task) return error = "no task " + std::to_string(id), false;
    if (task->state == TaskState::Queued) SetStateLocked(*task, TaskState::Paused, events);
    if (task->state == TaskState::Running) {
      task->stop = true;
      worker = std::move(task->worker);
    }
  }
  Deliver(events);
  // The worker saves the record and sets "paused" before it ends.
  if (worker.joinable() && worker.get_id() != std::this_thread::get_id()) worker.join();
  return true;
}

bool DownloadEngine::Remove(int64_t id, bool deleteFiles, std::string& error) {
  ReapFinished();
  std::shared_ptr<Task> task;
  std::thread worker;
  Events events;
  {
    std::lock_guard lock(mutex_);
    task = FindLocked(id);
    if (!task) return error = "no task " + std::to_string(id), false;
    tasks_.erase(id);
    task->removed = true;
    task->stop = true;
    worker = std::move(task->worker);
  }
  if (worker.joinable() && worker.get_id() != std::this_thread::get_id()) worker.join();
  {
    std::lock_guard lock(mutex_);
    PumpLocked(events);  // its slot is free now
  }
  Deliver(events);
  changed_.notify_all();
  if (deleteFiles && !task->setup.name.empty()) {
    std::string part = task->setup.folder + "/" + task->setup.name + ".part";
    platform::RemoveFile(part);
    platform::RemoveFile(PartRecordPath(part));
    platform::RemoveFile(AudioPartPath(part));
    if (task->state == TaskState::Done && !task->file.empty()) platform::RemoveFile(task->file);
  }
  return true;
}

bool DownloadEngine::SetUrl(int64_t id, const std::string& url, Failure& failure) {
  HttpUrl parsed;
  std::string error;
  if (!ParseHttpUrl(url, parsed, error)) return failure = {FailureCause::BadInput, error}, false;
  std::lock_guard lock(mutex_);
  auto task = FindLocked(id);
  if (!task) return failure = {FailureCause::BadInput, "no task " + std::to_string(id)}, false;
  if (task->state != TaskState::Paused && task->state != TaskState::Failed)
    return failure = {FailureCause::BadInput, "the task must be paused or failed to take a new URL"}, false;
  if (task->setup.url == url) return true;
  // The record names the URL it was made with until an answer of the new
  // one is accepted; the first replaced URL is the one it still names.
  if (task->setup.previousUrl.empty()) task->setup.previousUrl = task->setup.url;
  task->setup.url = url;
  task->finalUrl.clear();
  return true;
}

bool DownloadEngine::Restart(int64_t id, bool acceptWebPage, Failure& failure) {
  ReapFinished();
  Events events;
  {
    std::lock_guard lock(mutex_);
    auto task = FindLocked(id);
    if (!task) return failure = {FailureCause::BadInput, "no task " + std::to_string(id)}, false;
    if (task->state == TaskState::Running || task->state == TaskState::Queued)
      return failure = {FailureCause::BadInput, "the task must be paused, failed or done to start over"}, false;
    if (!task->setup.name.empty()) {
      std::string part = task->setup.folder + "/" + task->setup.name + ".part";
      // The record first: a part without one is never continued.
      platform::RemoveFile(PartRecordPath(part));
      if (int error = platform::RemoveFile(part); error && platform::PathExists(part))
        return failure = {FailureCause::Disk, "cannot remove " + part}, false;
    }
    task->setup.previousUrl.clear();
    task->setup.acceptWebPage = task->setup.acceptWebPage || acceptWebPage;
    task->done = 0;
    task->total = -1;
    task->checksumAlgorithm.clear();
    task->checksumSource.clear();
    task->checksumState = "none";
    SetStateLocked(*task, TaskState::Queued, events);
    PumpLocked(events);
  }
  Deliver(events);
  return true;
}

std::optional<TaskSnapshot> DownloadEngine::Info(int64_t id) const {
  std::lock_guard lock(mutex_);
  auto task = FindLocked(id);
  if (!task) return std::nullopt;
  TaskSnapshot s;
  s.id = task->id;
  s.url = task->setup.url;
  s.finalUrl = task->finalUrl;
  s.state = task->state;
  s.name = task->setup.name;
  s.file = task->file;
  s.done = task->done.load(std::memory_order_relaxed);
  s.total = task->total.load(std::memory_order_relaxed);
  s.speed = task->state == TaskState::Running ? task->meter.BytesPerSecond(SpeedMeter::Clock::now()) : 0;
  if (task->state == TaskState::Done) s.eta = 0;
  else if (s.speed > 0 && s.total >= 0) s.eta = (std::max<int64_t>(s.total - s.done, 0) + s.speed - 1) / s.speed;
  if (task->state == TaskState::Failed)
    s.cause = task->cause, s.code = task->code, s.httpStatus = task->httpStatus, s.error = task->error;
  s.added = task->added;
  s.finished = task->finished;
  s.connections = task->connections.load(std::memory_order_relaxed);
  s.limit = task->limiter.rate();
  s.retryAt = task->retryAt;
  s.checksumAlgorithm = task->checksumAlgorithm.empty() ? task->setup.checksum.algorithm : task->checksumAlgorithm;
  s.checksumSource = task->checksumSource.empty() ? task->setup.checksum.source : task->checksumSource;
  s.checksumState = task->checksumState;
  if (s.checksumState == "none" && !s.checksumAlgorithm.empty()) s.checksumState = "pending";
  s.stream = task->stream;
  return s;
}

std::vector<int64_t> DownloadEngine::List() const {
  std::lock_guard lock(mutex_);
  std::vector<int64_t> ids;
  ids.reserve(tasks_.size());
  for (const auto& [id, task] : tasks_) ids.push_back(id);
  return ids;
}

std::optional<TaskState> DownloadEngine::Wait(int64_t id, int ms) {
  ReapFinished();
  std::unique_lock lock(mutex_);
  auto task = FindLocked(id);
  if (!task) return std::nullopt;
  changed_.wait_for(lock, std::chrono::milliseconds(std::max(ms, 0)), [&] {
    return task->removed || (task->state != TaskState::Queued && task->state != TaskState::Running);
  });
  if (task->removed) return std::nullopt;
  return task->state;
}

bool DownloadEngine::SetMaxActive(int count) {
  if (count < kMinActive || count > kMaxActive) return false;
  Events events;
  {
    std::lock_guard lock(mutex_);
    maxActive_ = count;
    PumpLocked(events);
  }
  Deliver(events);
  return true;
}

void DownloadEngine::SetLimit(int64_t bytesPerSecond) { globalLimit_.SetRate(bytesPerSecond); }

bool DownloadEngine::SetTaskLimit(int64_t id, int64_t bytesPerSecond, Failure& failure) {
  if (bytesPerSecond < 0) return failure = {FailureCause::BadInput, "limit must not be negative"}, false;
  std::lock_guard lock(mutex_);
  auto task = FindLocked(id);
  if (!task) return failure = {FailureCause::BadInput, "no task " + std::to_string(id)}, false;
  // The limiter outlives every run of the task and each read of the running
  // one asks it first, so the new rate needs no restart.
  task->limiter.SetRate(bytesPerSecond);
  return true;
}

bool DownloadEngine::SetConnections(int count) {
  if (count < kMinConnections || count > kMaxConnections) return false;
  std::lock_guard lock(mutex_);
  connections_ = count;
  return true;
}

bool DownloadEngine::SetStallTimeout(int seconds) {
  if (seconds < 1 || seconds > 3600) return false;
  std::lock_guard lock(mutex_);
  stallTimeout_ = seconds;
  return true;
}
