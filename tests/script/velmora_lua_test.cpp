// The headless runner as script authors and the library tests use it.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "tests/support/TempDir.h"

namespace {

struct RunOutput {
  int exitCode;
  std::string stdoutText;
};

RunOutput RunRunner(const std::string& arguments) {
  const char* bin = std::getenv("VELMORA_BIN_DIR");
  std::string command = std::string(bin ? bin : ".") + "/velmora-lua " + arguments + " 2>&1";
  RunOutput out{-1, {}};
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return out;
  char buffer[512];
  while (size_t n = fread(buffer, 1, sizeof buffer, pipe)) out.stdoutText.append(buffer, n);
  int status = pclose(pipe);
  out.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return out;
}

}  // namespace

TEST(VelmoraLua, RunsAScriptWithStartParamAndHostGlobals) {
  TempDir dir;
  WriteFileBytes(dir / "ok.lua",
                 "io.write(#startparam, '|', startparam[3], '|', startparam[4], '|', scriptPath, ext)\n"
                 "assert(startparam[2]:match('ok%.lua$'))\n"
                 "assert(type(curpath) == 'string' and not curpath:match('/$'))\n");
  RunOutput out = RunRunner(dir / "ok.lua" + " one two");
  EXPECT_EQ(out.exitCode, 0) << out.stdoutText;
  EXPECT_EQ(out.stdoutText, "4|one|two|/ext/.dll");
}

TEST(VelmoraLua, ReportsErrorsWithExitCodeOne) {
  TempDir dir;
  WriteFileBytes(dir / "bad.lua", "local x = nil\nx.y = 1\n");
  RunOutput out = RunRunner(dir / "bad.lua");
  EXPECT_EQ(out.exitCode, 1);
  EXPECT_NE(out.stdoutText.find("bad.lua:2"), std::string::npos) << out.stdoutText;

  WriteFileBytes(dir / "syntax.lua", "function (\n");
  EXPECT_EQ(RunRunner(dir / "syntax.lua").exitCode, 1);
  EXPECT_EQ(RunRunner(dir / "missing.lua").exitCode, 1);
  EXPECT_EQ(RunRunner("").exitCode, 2);
}
