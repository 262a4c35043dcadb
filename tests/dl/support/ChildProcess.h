// A program run as a child of the test, its standard error kept in a file,
// waited for with a deadline (through a pidfd, so the wait wakes the moment
// the child ends) and killed the hard way when asked or when dropped.
#ifndef VELMORA_TESTS_DL_CHILDPROCESS_H
#define VELMORA_TESTS_DL_CHILDPROCESS_H

#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

struct ChildEnd {
  bool exited = false;  // false: ended by a signal
  int code = 0;         // exit status, or the signal's number
};

class ChildProcess {
 public:
  // Starts `args[0]` (searched on PATH when it names no folder) with
  // `args`; standard output is dropped and standard error goes to
  // `stderrPath`. started() tells whether it ran.
  ChildProcess(const std::vector<std::string>& args, const std::string& stderrPath);
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  bool started() const { return pid_ > 0; }
  // The end, once the child ended within `ms`; nullopt while it runs.
  std::optional<ChildEnd> WaitFor(int ms);
  // SIGKILL, then the end (which may be an exit that came first).
  ChildEnd Kill();

 private:
  pid_t pid_ = -1;
  int pidfd_ = -1;
  std::optional<ChildEnd> end_;
};

#endif
