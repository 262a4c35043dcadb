#include "platform/ChildProcess.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <string>

namespace {

// Sets PATH for the length of a test.
class ScopedPath {
 public:
  explicit ScopedPath(const std::string& path) : old_(std::getenv("PATH") ? std::getenv("PATH") : "") {
    setenv("PATH", path.c_str(), 1);
  }
  ~ScopedPath() { setenv("PATH", old_.c_str(), 1); }

 private:
  std::string old_;
};

}  // namespace

TEST(ChildProcess, ProgramsAreFoundOnPathOnly) {
  ScopedPath path("/nonexistent:/bin:/usr/bin");
  EXPECT_FALSE(platform::FindProgram("true").empty());
  EXPECT_TRUE(platform::FindProgram("no-such-program-here").empty());
  EXPECT_TRUE(platform::FindProgram("bin/true").empty());  // never a path of its own
  ScopedPath none("/nonexistent");
  EXPECT_TRUE(platform::FindProgram("true").empty());
}

TEST(ChildProcess, ArgumentsGoAsTheyAreAndTheExitAndOutputComeBack) {
  std::string echo = platform::FindProgram("echo");
  ASSERT_FALSE(echo.empty());
  // A shell would expand these; an argument vector does not.
  platform::ChildResult result = platform::RunProgram({echo, "$HOME", "*", "a;b"}, {});
  ASSERT_TRUE(result.started) << result.error;
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.output, "$HOME * a;b\n");
  platform::ChildResult failed = platform::RunProgram({platform::FindProgram("false")}, {});
  EXPECT_EQ(failed.exitCode, 1);
  platform::ChildResult missing = platform::RunProgram({"/nonexistent/program"}, {});
  EXPECT_FALSE(missing.started);
  EXPECT_NE(missing.error.find("/nonexistent/program"), std::string::npos);
}

TEST(ChildProcess, AStopEndsTheChild) {
  std::string sleeper = platform::FindProgram("sleep");
  ASSERT_FALSE(sleeper.empty());
  std::atomic<int> asked{0};
  platform::ChildResult result = platform::RunProgram({sleeper, "60"}, [&] { return ++asked >= 3; });
  EXPECT_TRUE(result.started);
  EXPECT_TRUE(result.stopped);
  EXPECT_EQ(result.exitCode, -1);  // ended by the signal
}
