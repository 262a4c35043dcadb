// Running another program as a child process: started with an argument
// vector (never through a shell), standard input from /dev/null, waited for
// with a deadline (through a pidfd where the kernel has one, so the wait
// wakes the moment the child ends) and killed when asked or when dropped.
#ifndef VELMORA_PLATFORM_CHILDPROCESS_H
#define VELMORA_PLATFORM_CHILDPROCESS_H

#include <sys/types.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// The full path of an executable `name` on the PATH of this process, or
// empty when there is none.
std::string FindProgram(const std::string& name);

struct ChildEnd {
  bool exited = false;  // false: ended by a signal
  int code = 0;         // exit status, or the signal's number
};

// One child, owned: the destructor kills and reaps a child still running.
// Not shared between threads.
class ChildProcess {
 public:
  // Starts `argv[0]` (searched on PATH when it names no folder). With
  // `stderrPath` empty, standard output and error both go to a pipe whose
  // last 8 KiB output() holds; otherwise standard output is dropped and
  // standard error is written to that file.
  explicit ChildProcess(const std::vector<std::string>& argv, const std::string& stderrPath = {});
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  bool started() const { return pid_ > 0; }
  // Why it did not start.
  const std::string& error() const { return error_; }
  // The end, once the child ended within `ms` (0: just look); nullopt while
  // it runs.
  std::optional<ChildEnd> WaitFor(int ms);
  // Asks the child to end (SIGTERM) without waiting for it.
  void Terminate();
  // SIGKILL, then the end (which may be an exit that came first).
  ChildEnd Kill();
  const std::string& output() const { return output_; }

 private:
  void Spawn(const std::vector<std::string>& argv, const std::string& stderrPath);
  bool Reaped(int options);
  void DrainOutput();

  pid_t pid_ = -1;
  int pidfd_ = -1;
  int outputFd_ = -1;
  std::string output_;
  std::string error_;
  std::optional<ChildEnd> end_;
};

struct ChildResult {
  bool started = false;
  bool stopped = false;  // ended because `stop` turned true
  int exitCode = -1;     // -1 when it died of a signal
  std::string error;     // why it did not start
  std::string output;    // what it wrote to standard output and error (the last 8 KiB)
};

// Runs `argv` (argv[0] a full path) to its end, checking `stop` every
// tenth of a second; a stopped child is terminated, killed if it has not
// ended three seconds later, and reaped.
ChildResult RunProgram(const std::vector<std::string>& argv, const std::function<bool()>& stop);

}  // namespace platform

#endif
