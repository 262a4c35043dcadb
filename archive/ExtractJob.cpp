#include "archive/ExtractJob.h"

namespace archive {

ExtractJob::ExtractJob(std::string archivePath, std::string folder, ExtractLimits limits)
    : thread_(&ExtractJob::Run, this, std::move(archivePath), std::move(folder), limits) {}

ExtractJob::~ExtractJob() {
  Cancel();
  if (thread_.joinable()) thread_.join();
}

void ExtractJob::Run(std::string archivePath, std::string folder, ExtractLimits limits) {
  ExtractOutcome outcome;
  try {
    outcome = ExtractZip(archivePath, folder, limits, progress_);
  } catch (const std::exception& e) {
    outcome.error = e.what();  // out of memory, in practice
  }
  std::lock_guard<std::mutex> lock(mutex_);
  state_ = outcome.ok ? State::Done : outcome.cancelled ? State::Cancelled : State::Failed;
  error_ = std::move(outcome.error);
}

ExtractJob::State ExtractJob::GetState() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return state_;
}

std::string ExtractJob::Error() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return error_;
}

const char* StateName(ExtractJob::State state) {
  switch (state) {
    case ExtractJob::State::Running: return "running";
    case ExtractJob::State::Done: return "done";
    case ExtractJob::State::Failed: return "failed";
    case ExtractJob::State::Cancelled: return "cancelled";
  }
  return "failed";
}

}  // namespace archive
