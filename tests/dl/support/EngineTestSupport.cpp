#include "tests/dl/support/EngineTestSupport.h"

#include <gtest/gtest.h>

#include <chrono>

#include "dl/PartRecord.h"
#include "tests/support/TempDir.h"

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

void LeavePartial(const std::string& dir, const std::string& name, const std::string& url, const std::string& bytes,
                  int64_t total, const std::string& etag) {
  WriteFileBytes(dir + "/" + name + ".part", bytes);
  PartRecord record;
  record.source = record.url = url;
  record.total = total;
  record.etag = etag;
  record.AddDone(0, static_cast<int64_t>(bytes.size()));
  ASSERT_EQ(SavePartRecord(PartRecordPath(dir + "/" + name + ".part"), record), 0);
}
