// Entry of the tests that run windows on a real X server: a private Xvfb is
// started before anything touches Qt, and the window system is pointed at it
// over the xcb platform (the road Wayland's X compatibility takes too).
#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "tests/app/XDisplay.h"
#include "tests/support/XvfbServer.h"

namespace {

std::string g_failure;

bool OnlyListing(int argc, char** argv) {
  for (int i = 1; i < argc; ++i)
    if (std::string(argv[i]).rfind("--gtest_list_tests", 0) == 0) return true;
  return false;
}

}  // namespace

const std::string& XDisplayFailure() { return g_failure; }

int main(int argc, char** argv) {
  const bool listing = OnlyListing(argc, argv);  // before gtest takes its flags out
  ::testing::InitGoogleTest(&argc, argv);
  XvfbServer server;
  if (listing) {
    g_failure = "listing only";
  } else if (server.Start()) {
    ::setenv("DISPLAY", server.Display().c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    ::unsetenv("WAYLAND_DISPLAY");
  } else {
    g_failure = server.Failure();
  }
  return RUN_ALL_TESTS();
}
