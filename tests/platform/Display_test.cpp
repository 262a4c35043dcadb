#include "platform/Display.h"

#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

namespace {

// Sets the variables for one case and puts the old ones back afterwards.
class DisplayEnvironment {
 public:
  DisplayEnvironment(const char* platform, const char* display, const char* wayland) {
    Set("QT_QPA_PLATFORM", platform);
    Set("DISPLAY", display);
    Set("WAYLAND_DISPLAY", wayland);
  }
  ~DisplayEnvironment() {
    for (const auto& [name, value] : saved_) {
      if (value) ::setenv(name, value->c_str(), 1);
      else ::unsetenv(name);
    }
  }

 private:
  void Set(const char* name, const char* value) {
    const char* old = std::getenv(name);
    saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
    if (value) ::setenv(name, value, 1);
    else ::unsetenv(name);
  }
  std::vector<std::pair<const char*, std::optional<std::string>>> saved_;
};

TEST(Display, WithoutAnyDisplayTheReasonSaysSo) {
  DisplayEnvironment env(nullptr, nullptr, nullptr);
  const auto reason = platform::MissingDisplayReason();
  ASSERT_TRUE(reason);
  EXPECT_NE(reason->find("DISPLAY is not set"), std::string::npos);
}

TEST(Display, WaylandWithoutItsXCompatibilityIsNamed) {
  DisplayEnvironment env(nullptr, nullptr, "wayland-0");
  const auto reason = platform::MissingDisplayReason();
  ASSERT_TRUE(reason);
  EXPECT_NE(reason->find("Wayland"), std::string::npos);
}

TEST(Display, ALocalDisplayThatDoesNotAnswerIsNamed) {
  DisplayEnvironment env("xcb", ":987", nullptr);
  const auto reason = platform::MissingDisplayReason();
  ASSERT_TRUE(reason);
  EXPECT_NE(reason->find(":987"), std::string::npos);
}

TEST(Display, ScreenlessPlatformsAndRemoteDisplaysAreLeftToTheWindowSystem) {
  {
    DisplayEnvironment env("offscreen", nullptr, nullptr);
    EXPECT_FALSE(platform::MissingDisplayReason());
  }
  DisplayEnvironment env(nullptr, "otherhost:0", nullptr);
  EXPECT_FALSE(platform::MissingDisplayReason());
}

}  // namespace
