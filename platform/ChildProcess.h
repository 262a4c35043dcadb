// Running another program as a child process: found on PATH, started with
// an argument vector (never through a shell), standard input from
// /dev/null, and waited for while a stop check may end it early.
#ifndef VELMORA_PLATFORM_CHILDPROCESS_H
#define VELMORA_PLATFORM_CHILDPROCESS_H

#include <functional>
#include <string>
#include <vector>

namespace platform {

// The full path of an executable `name` on the PATH of this process, or
// empty when there is none.
std::string FindProgram(const std::string& name);

struct ChildResult {
  bool started = false;
  bool stopped = false;  // ended because `stop` turned true
  int exitCode = -1;     // -1 when it died of a signal
  std::string error;     // why it did not start
  std::string output;    // what it wrote to standard output and error (the last 8 KiB)
};

// Runs `argv` (argv[0] a full path) to its end, checking `stop` every
// tenth of a second; a stopped child is terminated and reaped.
ChildResult RunProgram(const std::vector<std::string>& argv, const std::function<bool()>& stop);

}  // namespace platform

#endif
