#include "dl/TaskRunner.h"

#include <algorithm>
#include <chrono>

#include "dl/StoppablePause.h"
#include "dl/TransferJob.h"
#include "dl/stream/StreamDetect.h"
#include "dl/stream/StreamTask.h"

namespace {

using Clock = std::chrono::steady_clock;
using Step = TransferJob::Step;

RunOutcome Outcome(RunOutcome::End end) { return RunOutcome{end, FailureCause::None, Success, {}}; }

RunOutcome Failed(const TransferJob::StepResult& result, std::string error) {
  return RunOutcome{RunOutcome::End::Failed, result.cause, result.code, std::move(error)};
}

}  // namespace

RunOutcome RunTask(const TaskSetup& setup, TaskHost& host, RateLimiter& taskLimit, RateLimiter& globalLimit,
                   const RetryPolicy& policy) {
  if (IsPlaylistUrl(setup.url)) return RunStreamTask(setup, host, taskLimit, globalLimit, policy);
  TransferJob job(setup, host, taskLimit, globalLimit);
  if (auto failed = job.Prepare()) return Failed(*failed, failed->error);
  int failures = 0;
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
    if (job.progressed()) failures = 0, lastProgress = Clock::now();
    // Bytes came, or the server made us start over; a server that keeps
    // doing the latter without sending anything counts as failing.
    if (result.step == Step::More && !job.progressed())
      result = {Step::Retry, FailureCause::BadAnswer, HttpTypeError,
                "the server's answers cannot be used for this file", {}};
    switch (result.step) {
      case Step::Done: {
        TransferJob::StepResult end = job.Complete();
        if (end.step == Step::Done) return Outcome(RunOutcome::End::Done);
        if (end.step == Step::Stop) return Outcome(RunOutcome::End::Stopped);
        return Failed(end, end.error);
      }
      case Step::More:
        continue;
      case Step::Playlist:
        job.Discard();
        return RunStreamTask(setup, host, taskLimit, globalLimit, policy);
      case Step::Stop:
        job.Keep();
        return Outcome(RunOutcome::End::Stopped);
      case Step::Retry: {
        ++failures;
        auto idle = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - lastProgress).count();
        if (failures >= policy.maxFailuresInRow || idle >= limitMs - 1000) {
          job.Keep();
          return Failed(result, result.error + " (gave up after " + std::to_string(failures) + " tries)");
        }
        auto stopped = [&host] { return host.StopRequested(); };
        if (!PauseUnlessStopped(stopped, policy.firstPauseMs << std::min(failures - 1, 10))) {
          job.Keep();
          return Outcome(RunOutcome::End::Stopped);
        }
        continue;
      }
      default:
        job.Keep();
        return Failed(result, result.error);
    }
  }
}
