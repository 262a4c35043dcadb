#include "platform/ChildProcess.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <string>

#include "tests/support/TempDir.h"

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

// A wait that runs out leaves the child running and says so; a kill ends
// it by the signal; a later wait reports that same end at once.
TEST(ChildProcess, AWaitRunsOutWhileTheChildRunsAndAKillEndsIt) {
  platform::ChildProcess child({"sleep", "60"});
  ASSERT_TRUE(child.started()) << child.error();
  EXPECT_FALSE(child.WaitFor(0).has_value());
  EXPECT_FALSE(child.WaitFor(20).has_value());
  const platform::ChildEnd end = child.Kill();
  EXPECT_FALSE(end.exited);
  EXPECT_EQ(end.code, SIGKILL);
  ASSERT_TRUE(child.WaitFor(0).has_value());
  EXPECT_EQ(child.WaitFor(0)->code, SIGKILL);
}

// Standard error goes to the file asked for, standard output nowhere, and
// the exit status comes back once the child ends; a child that closes its
// output early is still waited for to its end.
TEST(ChildProcess, StandardErrorGoesToItsFileAndTheExitComesBack) {
  TempDir dir;
  const std::string errors = dir / "stderr.txt";
  platform::ChildProcess child({"sh", "-c", "echo out; echo err >&2; exit 3"}, errors);
  ASSERT_TRUE(child.started()) << child.error();
  std::optional<platform::ChildEnd> end;
  while (!(end = child.WaitFor(1000))) {
  }
  EXPECT_TRUE(end->exited);
  EXPECT_EQ(end->code, 3);
  EXPECT_EQ(ReadFileBytes(errors), "err\n");
  EXPECT_EQ(child.output(), "");

  platform::ChildProcess quiet({"sh", "-c", "exec >&- 2>&-; exit 4"});
  ASSERT_TRUE(quiet.started()) << quiet.error();
  while (!(end = quiet.WaitFor(1000))) {
  }
  EXPECT_EQ(end->code, 4);

  platform::ChildProcess missing({"no-such-program-here"});
  EXPECT_FALSE(missing.started());
  EXPECT_NE(missing.error().find("no-such-program-here"), std::string::npos);
  EXPECT_FALSE(platform::ChildProcess({}).started());
}
