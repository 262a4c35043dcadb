// Helpers for driving a DownloadEngine in tests.
#ifndef VELMORA_TESTS_DL_ENGINETESTSUPPORT_H
#define VELMORA_TESTS_DL_ENGINETESTSUPPORT_H

#include <chrono>
#include <string>
#include <thread>

#include "dl/DownloadEngine.h"

// Retries after a few milliseconds, so failure paths cost little time.
EngineSettings FastSettings();

// Waits (up to `ms`) until the task is done or failed; its final snapshot.
TaskSnapshot WaitForEnd(DownloadEngine& engine, int64_t id, int ms = 20000);

// Polls until `predicate` holds or `ms` pass.
template <class Predicate>
bool Eventually(Predicate predicate, int ms = 5000) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < deadline) {
    if (predicate()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return predicate();
}

// Adds a task; fails the test on error.
int64_t AddTask(DownloadEngine& engine, const std::string& url, const std::string& folder, TaskOptions options = {});

#endif
