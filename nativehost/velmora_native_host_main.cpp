// velmora-native-host: started by a browser for the Velmora extension. It
// reads native-messaging frames on standard input until that ends and
// answers each on standard output; links go to the download center's
// window (see WindowHandoff.h). Standard output carries frames only:
// anything else a library might print is sent to standard error instead.
// Exit status: 0 after a clean end, 1 when the input stopped inside a frame
// or the browser stopped reading.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "nativehost/HostSession.h"
#include "nativehost/WindowHandoff.h"

namespace {

bool WriteAll(int fd, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
    } else if (n < 0 && errno != EINTR) {
      return false;
    }
  }
  return true;
}

// The frames' own descriptor; fd 1 then points at standard error.
int TakeStandardOutput() {
  const int frames = ::fcntl(1, F_DUPFD_CLOEXEC, 3);
  if (frames < 0) return -1;
  ::dup2(2, 1);
  return frames;
}

}  // namespace

int main(int argc, char**) {
  // Browsers pass the caller's origin (and on some systems a window id);
  // nothing of it is needed.
  (void)argc;
  ::signal(SIGPIPE, SIG_IGN);
  const int frames = TakeStandardOutput();
  if (frames < 0) return 1;

  nativehost::WindowHandoff handoff({nativehost::OwnProgramDirectory()});
  nativehost::HostSession session(handoff, [frames](const std::string& frame) { return WriteAll(frames, frame); });
  char buffer[64 * 1024];
  while (true) {
    const ssize_t n = ::read(0, buffer, sizeof(buffer));
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (!session.Feed(std::string_view(buffer, static_cast<std::size_t>(n)))) return 1;
  }
  if (!session.AtFrameBoundary()) {
    std::fprintf(stderr, "velmora-native-host: the input ended inside a frame\n");
    return 1;
  }
  return 0;
}
