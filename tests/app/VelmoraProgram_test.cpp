// The velmora program itself, started as a user starts it.
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/TempDir.h"

namespace {

std::string BinDir() {
  const char* dir = std::getenv("VELMORA_BIN_DIR");
  return dir ? dir : ".";
}

struct Outcome {
  int exitCode = -1;
  std::string output;
};

// In a window directory of its own: a velmora window of another test must
// not count as a running instance.
Outcome RunProgram(const std::string& command) {
  static TempDir windows;
  ::setenv("VELMORA_WINDOW_DIR", windows.path().c_str(), 1);
  Outcome outcome;
  FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
  if (!pipe) return outcome;
  char buffer[512];
  while (std::fgets(buffer, sizeof buffer, pipe)) outcome.output += buffer;
  const int status = ::pclose(pipe);
  outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return outcome;
}

TEST(VelmoraProgram, WithoutADisplayItSaysSoInOneLineAndFails) {
  const Outcome outcome =
      RunProgram("env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM VELMORA_REGISTRY=/nonexistent '" + BinDir() +
          "/velmora'");
  EXPECT_NE(outcome.exitCode, 0);
  EXPECT_EQ(outcome.output.rfind("velmora: cannot open its window: no display", 0), 0u) << outcome.output;
  EXPECT_NE(outcome.output.find("--screenshot"), std::string::npos);
  EXPECT_EQ(outcome.output.find('\n'), outcome.output.size() - 1) << outcome.output;
}

TEST(VelmoraProgram, ScreenshotRendersTheMainWindowOffscreenAndEnds) {
  TempDir dir;
  WriteFileBytes(dir / "registry.ini",
                 "[HKEY_LOCAL_MACHINE\\Software\\KOVAPT\\KOVA_PC]\nKOVAPath=" + (dir / "install") + "\n");
  const std::string png = dir / "main.png";
  const Outcome outcome = RunProgram("env -u DISPLAY VELMORA_REGISTRY='" + (dir / "registry.ini") + "' '" + BinDir() +
                              "/velmora' --screenshot '" + png + "'");
  EXPECT_EQ(outcome.exitCode, 0) << outcome.output;
  const std::string bytes = ReadFileBytes(png);
  ASSERT_GT(bytes.size(), 1000u);
  EXPECT_EQ(bytes.substr(1, 3), "PNG");
}


// Usage and version need no display, no registry and no running window.
TEST(VelmoraProgram, HelpAndVersionAnswerWithoutADisplayAndSucceed) {
  const std::string program = "env -u DISPLAY -u WAYLAND_DISPLAY VELMORA_REGISTRY=/nonexistent '" + BinDir() + "/velmora'";
  const Outcome version = RunProgram(program + " --version");
  EXPECT_EQ(version.exitCode, 0) << version.output;
  EXPECT_EQ(version.output.rfind("velmora ", 0), 0u) << version.output;
  EXPECT_EQ(version.output.find('\n'), version.output.size() - 1) << version.output;
  EXPECT_GT(version.output.size(), std::string("velmora \n").size());
  for (const char* option : {" --help", " -h"}) {
    const Outcome help = RunProgram(program + option);
    EXPECT_EQ(help.exitCode, 0) << help.output;
    EXPECT_EQ(help.output.rfind("usage: velmora", 0), 0u) << help.output;
    EXPECT_NE(help.output.find("--version"), std::string::npos);
  }
  // An option it does not know is no request for help: the window's road.
  const Outcome other = RunProgram(program + " --helpful");
  EXPECT_EQ(other.output.find("usage:"), std::string::npos) << other.output;
}

}  // namespace
