// A private X server (Xvfb) for tests that need real X pixels: started as a
// child process on a display number it picks itself, and stopped (by its
// process id) when the object goes away.
#ifndef VELMORA_TESTS_XVFBSERVER_H
#define VELMORA_TESTS_XVFBSERVER_H

#include <sys/types.h>

#include <string>

class XvfbServer {
 public:
  XvfbServer() = default;
  ~XvfbServer();
  XvfbServer(const XvfbServer&) = delete;
  XvfbServer& operator=(const XvfbServer&) = delete;

  // Starts the server with one screen of the given size (24-bit colour) and
  // waits up to 10 s for it to accept clients. False, with Failure() set,
  // when Xvfb is missing or does not come up.
  bool Start(int width = 1280, int height = 1024);
  void Stop();
  // ":N" once started.
  const std::string& Display() const { return display_; }
  const std::string& Failure() const { return failure_; }

 private:
  pid_t pid_ = -1;
  std::string display_;
  std::string failure_;
};

#endif
