#include "tests/dl/support/EngineTestSupport.h"

#include <gtest/gtest.h>

#include <chrono>

EngineSettings FastSettings() {
  EngineSettings settings;
  settings.retry.firstPauseMs = 10;
  return settings;
}

TaskSnapshot WaitForEnd(DownloadEngine& engine, int64_t id, int ms) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < deadline) {
    auto state = engine.Wait(id, 100);
    if (!state) break;
    if (*state == TaskState::Done || *state == TaskState::Failed) break;
  }
  auto info = engine.Info(id);
  return info ? *info : TaskSnapshot{};
}

int64_t AddTask(DownloadEngine& engine, const std::string& url, const std::string& folder, TaskOptions options) {
  std::string error;
  int64_t id = engine.Add(url, folder, options, error);
  EXPECT_NE(id, 0) << error;
  return id;
}
