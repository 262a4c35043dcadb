#include "dl/TaskRunner.h"

#include <algorithm>
#include <chrono>
#include <ctime>

#include "dl/RetryAfter.h"
#include "dl/StoppablePause.h"
#include "dl/TransferJob.h"
#include "dl/stream/StreamDetect.h"
#include "dl/stream/StreamTask.h"

namespace {

using Clock = std::chrono::steady_clock;
using Step = TransferJob::Step;

RunOutcome Outcome(RunOutcome::End end) { return RunOutcome{end, FailureCause::None, Success, {}}; }

RunOutcome Failed(const TransferJob::StepResult& result, std::string error) {
  return RunOutcome{RunOutcome::End::Failed, result.cause, result.code, std::move(error), result.httpStatus};
}

// Nothing stops a task but its owner: a run that comes back "stopped"
// without being asked is a fault, and shown as one rather than as a pause
// nobody made.
RunOutcome Stopped(TaskHost& host) {
  if (host.StopRequested()) return Outcome(RunOutcome::End::Stopped);
  return RunOutcome{RunOutcome::End::Failed, FailureCause::Internal, UnknownError,
                    "the transfer stopped without being asked to"};
}

int64_t WallNow(const RetryPolicy& policy) {
  return policy.wallClock ? policy.wallClock() : static_cast<int64_t>(std::time(nullptr));
}

bool Pause(const RetryPolicy& policy, TaskHost& host, int64_t ms) {
  auto stopped = [&host] { return host.StopRequested(); };
  if (policy.pause) return policy.pause(stopped, ms);
  return PauseUnlessStopped(stopped, static_cast<int>(ms));
}

// The wait before the next try: growing with each try that brought
// nothing new, or what the server asked for, whichever is longer.
int64_t WaitMs(const RetryPolicy& policy, const TransferJob::StepResult& result, int failures) {
  int64_t ms = static_cast<int64_t>(policy.firstPauseMs) << std::clamp(failures - 1, 0, 10);
  if (!result.retryAfter.empty())
    if (auto seconds = RetryAfterSeconds(result.retryAfter, WallNow(policy))) ms = std::max(ms, *seconds * 1000);
  return std::min<int64_t>(ms, kMaxRetryAfterSeconds * 1000);
}

std::string GaveUp(const TransferJob::StepResult& result, int failures, int64_t furthest) {
  if (result.cause == FailureCause::Cut)
    return "the server cut the answer " + std::to_string(failures) + " times without sending a byte beyond byte " +
           std::to_string(furthest) + " (" + result.error + "); the downloaded part is kept";
  return result.error + " (gave up after " + std::to_string(failures) + " tries)";
}

}  // namespace

RunOutcome RunTask(const TaskSetup& setup, TaskHost& host, RateLimiter& taskLimit, RateLimiter& globalLimit,
                   const RetryPolicy& policy) {
  if (IsPlaylistUrl(setup.url)) return RunStreamTask(setup, host, taskLimit, globalLimit, policy);
  TransferJob job(setup, host, taskLimit, globalLimit);
  if (auto failed = job.Prepare()) return Failed(*failed, failed->error);
  int failures = 0;
  // Progress is a byte beyond the furthest ever held for this file: bytes
  // fetched again after a cut or a restart by the server bring nothing.
  int64_t furthest = job.HeldBytes();
  auto lastProgress = Clock::now();
  for (;;) {
    if (host.StopRequested()) {
      job.Keep();
      return Outcome(RunOutcome::End::Stopped);
    }
    // A silent server may hold the task only as long as the no-progress
    // limit allows in all, whatever the per-connection stall timeout.
    int limitMs = std::max(policy.noProgressLimitSeconds, host.StallTimeoutSeconds()) * 1000;
    auto idleMs = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - lastProgress).count();
    int64_t stallMs = std::min<int64_t>(host.StallTimeoutSeconds() * 1000LL, std::max<int64_t>(limitMs - idleMs, 1000));
    TransferJob::StepResult result = job.Attempt(stallMs);
    bool progressed = job.HeldBytes() > furthest;
    if (progressed) {
      failures = 0, furthest = job.HeldBytes(), lastProgress = Clock::now();
    } else if (job.progressed()) {
      // Bytes came, but only ones held before: still alive, not further.
      lastProgress = Clock::now();
    }
    // The server made us start over or ask again; one that keeps doing
    // that without bringing anything new counts as failing.
    if (result.step == Step::More && !progressed)
      result = {Step::Retry, job.progressed() ? FailureCause::Cut : FailureCause::BadAnswer,
                job.progressed() ? NetReadNotEnd : HttpTypeError,
                job.progressed() ? "the server sent again only bytes already held"
                                 : "the server's answers cannot be used for this file",
                {}, {}};
    switch (result.step) {
      case Step::Done: {
        host.Connections(0);
        TransferJob::StepResult end = job.Complete();
        if (end.step == Step::Done) return Outcome(RunOutcome::End::Done);
        if (end.step == Step::Stop) return Stopped(host);
        job.Keep();
        return Failed(end, end.error);
      }
      case Step::More:
        continue;
      case Step::Playlist:
        job.Discard();
        return RunStreamTask(setup, host, taskLimit, globalLimit, policy);
      case Step::Stop:
        job.Keep();
        return Stopped(host);
      case Step::Retry: {
        // A try that brought new bytes before it broke is not a failure.
        if (!progressed) ++failures;
        auto idle = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - lastProgress).count();
        host.Connections(0);
        if (failures >= policy.maxFailuresInRow || idle >= limitMs - 1000) {
          job.Keep();
          return Failed(result, GaveUp(result, failures, furthest));
        }
        int64_t waitMs = WaitMs(policy, result, failures);
        host.Waiting(WallNow(policy) + (waitMs + 999) / 1000);
        bool goOn = Pause(policy, host, waitMs);
        host.Waiting(0);
        if (!goOn) {
          job.Keep();
          return Stopped(host);
        }
        // The server's own wait does not count against the silence limit.
        if (!result.retryAfter.empty()) lastProgress += std::chrono::milliseconds(waitMs);
        continue;
      }
      default:
        job.Keep();
        return Failed(result, result.error);
    }
  }
}
