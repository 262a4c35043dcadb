// Helpers for driving a DownloadEngine in tests.
#ifndef VELMORA_TESTS_DL_ENGINETESTSUPPORT_H
#define VELMORA_TESTS_DL_ENGINETESTSUPPORT_H

#include <string>

#include "dl/DownloadEngine.h"
#include "tests/support/Eventually.h"

// Retries after a few milliseconds, so failure paths cost little time.
EngineSettings FastSettings();

// Waits (up to `ms`) until the task is done or failed; its final snapshot.
TaskSnapshot WaitForEnd(DownloadEngine& engine, int64_t id, int ms = 20000);

// Adds a task; fails the test on error.
int64_t AddTask(DownloadEngine& engine, const std::string& url, const std::string& folder, TaskOptions options = {});

// A partial download as an earlier run would have left it: `bytes` from the
// start of `dir/name.part` and a record naming `url`, `total` and `etag`.
void LeavePartial(const std::string& dir, const std::string& name, const std::string& url, const std::string& bytes,
                  int64_t total, const std::string& etag = "\"v1\"");

#endif
