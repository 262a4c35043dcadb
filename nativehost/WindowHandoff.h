// The real receiver of links: the download center's window of this user,
// reached over the window link. When no window runs, `velmora` from the
// host's own folder is started and its window awaited (bounded), so a click
// in the browser works with the download center closed.
//
// Hosts started by several browser clicks at once take a lock first, so
// only one of them starts the download center and the others find its
// window.
#ifndef VELMORA_NATIVEHOST_WINDOWHANDOFF_H
#define VELMORA_NATIVEHOST_WINDOWHANDOFF_H

#include <string>
#include <sys/types.h>

#include "nativehost/LinkHandoff.h"
#include "ui/UIDefs.h"

namespace nativehost {

struct WindowHandoffOptions {
  std::string programDirectory;  // where `velmora` lives
  std::u16string title = u"Velmora";
  int startTimeoutMs = 30000;  // for a freshly started window to appear
  int sendTimeoutMs = 10000;   // for the window to take the link
};

class WindowHandoff final : public LinkReceiver {
 public:
  explicit WindowHandoff(WindowHandoffOptions options) : options_(std::move(options)) {}
  ~WindowHandoff() override;

  bool Deliver(const std::string& command, std::string& error) override;

 private:
  // The window, started when needed; null with `error` set when none came.
  HWND FindOrStartWindow(std::string& error);
  bool StartProgram(std::string& error);
  void ReapStarted();

  WindowHandoffOptions options_;
  pid_t started_ = -1;
};

// Folder of the running executable; empty when it cannot be read.
std::string OwnProgramDirectory();

}  // namespace nativehost

#endif
