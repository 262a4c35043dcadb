// The settings folder by the base-directory rules, which the registry store
// and the language choice share.
#include "platform/UserConfigFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace {

// Sets or clears a variable for one test and puts the old value back.
class ScopedVariable {
 public:
  ScopedVariable(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    value ? ::setenv(name, value, 1) : ::unsetenv(name);
  }
  ~ScopedVariable() { old_ ? ::setenv(name_, old_->c_str(), 1) : ::unsetenv(name_); }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

TEST(UserConfigFolder, AnAbsoluteConfigHomeWinsARelativeOneIsIgnoredAndHomeIsLast) {
  ScopedVariable home("HOME", "/home/u");
  {
    ScopedVariable config("XDG_CONFIG_HOME", "/etc/x");
    EXPECT_EQ(platform::UserConfigFolder(), "/etc/x/velmora");
  }
  {
    ScopedVariable config("XDG_CONFIG_HOME", "rel/x");
    EXPECT_EQ(platform::UserConfigFolder(), "/home/u/.config/velmora") << "a relative folder would follow the cwd";
  }
  ScopedVariable config("XDG_CONFIG_HOME", nullptr);
  EXPECT_EQ(platform::UserConfigFolder(), "/home/u/.config/velmora");
  ScopedVariable noHome("HOME", "");
  EXPECT_EQ(platform::UserConfigFolder(), "");
}

}  // namespace
