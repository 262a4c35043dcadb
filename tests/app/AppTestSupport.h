// Shared by the application tests: the built-in skin, a registry of the
// test's own with an install path, and the calls a recording script noted.
#ifndef VELMORA_TESTS_APP_APPTESTSUPPORT_H
#define VELMORA_TESTS_APP_APPTESTSUPPORT_H

#include <string>

#include "tests/script/RecordedCalls.h"
#include "ui/controls/EmbeddedSkin.h"

// Points VELMORA_REGISTRY at `folder`/registry.ini registering
// `folder`/install as the install path.
void UseTestRegistry(const std::string& folder);

// What the tests opening the product's windows set up and put back: the
// built-in skin, no automation leftovers, a registry in the test folder,
// and the working folder the host may move away from.
class AppWindowTestEnvironment {
 public:
  // False when the built-in skin cannot be used.
  [[nodiscard]] bool Enter(const std::string& folder);
  // Call after the windows are gone.
  void Leave();

 private:
  std::string startDir_;
};

std::u16string Wide(const std::string& ascii);

#endif
