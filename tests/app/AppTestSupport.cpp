#include "tests/app/AppTestSupport.h"

#include <unistd.h>

#include <cstdlib>

#include "platform/Path.h"
#include "tests/support/TempDir.h"
#include "ui/controls/CPaintManagerUI.h"
#include "ui/window/Automation.h"

namespace {

// The windows of these tests carry the product's title: they register in a
// window directory of their own, so a velmora started meanwhile (by a user
// or another test) never mistakes one for a running instance.
const bool kPrivateWindowDirectory = [] {
  static TempDir dir;
  ::setenv("VELMORA_WINDOW_DIR", (dir / "windows").c_str(), 1);
  return true;
}();

}  // namespace

void UseTestRegistry(const std::string& folder) {
  const std::string file = folder + "/registry.ini";
  WriteFileBytes(file, "[HKEY_LOCAL_MACHINE\\Software\\KOVAPT\\KOVA_PC]\nKOVAPath=" + folder + "/install\n");
  ::setenv("VELMORA_REGISTRY", file.c_str(), 1);
}

bool AppWindowTestEnvironment::Enter(const std::string& folder) {
  if (!UseEmbeddedSkin()) return false;
  ui::automation::Reset();
  UseTestRegistry(folder);
  char cwd[4096];
  if (::getcwd(cwd, sizeof cwd)) startDir_ = cwd;
  return true;
}

void AppWindowTestEnvironment::Leave() {
  ui::automation::Reset();
  ::unsetenv("VELMORA_REGISTRY");
  platform::OverrideModuleFileNameForTesting(u"");
  if (!startDir_.empty()) (void)::chdir(startDir_.c_str());
}

std::u16string Wide(const std::string& ascii) { return std::u16string(ascii.begin(), ascii.end()); }
