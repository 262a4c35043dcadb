// What the language tests share: a catalogue folder and a configuration
// folder of their own, with VELMORA_LANG and XDG_CONFIG_HOME set for the
// test and put back after it, and the active language forgotten on both
// sides so no test sees another's.
#ifndef VELMORA_TESTS_LANG_LANGTESTSUPPORT_H
#define VELMORA_TESTS_LANG_LANGTESTSUPPORT_H

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "lang/Texts.h"
#include "platform/Files.h"
#include "tests/support/TempDir.h"

// Sets (or, with nullopt, removes) one environment variable for a scope.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::optional<std::string>& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    Set(value);
  }
  ~ScopedEnv() { Set(old_); }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

  void Set(const std::optional<std::string>& value) {
    if (value)
      ::setenv(name_, value->c_str(), 1);
    else
      ::unsetenv(name_);
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

class LangFolderTest : public ::testing::Test {
 protected:
  LangFolderTest() {
    platform::MakeDirectories(folder());
    lang::ResetLanguageForTesting();
  }
  ~LangFolderTest() override { lang::ResetLanguageForTesting(); }

  std::string folder() const { return dir_ / "lang"; }
  std::string config() const { return dir_ / "config"; }
  void WriteCatalogue(const std::string& code, const std::string& text) const {
    WriteFileBytes(folder() + "/" + code + ".txt", text);
  }

  TempDir dir_;
  ScopedEnv lang_{"VELMORA_LANG", std::nullopt};
  ScopedEnv configHome_{"XDG_CONFIG_HOME", dir_ / "config"};
};

#endif
