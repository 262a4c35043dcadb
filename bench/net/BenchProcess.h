// Helpers the download benchmarks share: running contenders as child
// processes with their wall and CPU time, and the served test file.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string>
#include <vector>

namespace bench {

struct Timing {
  double wall = 0;
  double cpu = 0;
  int status = -1;
};

// Runs the commands at once; wall time until the last ends, CPU summed, and
// the exit code of a failed one (-1 when it did not exit normally).
Timing RunAll(const std::vector<std::vector<std::string>>& commands);
inline Timing Run(const std::vector<std::string>& command) { return RunAll({command}); }

inline Timing Best(const Timing& a, const Timing& b) { return a.wall <= b.wall ? a : b; }

// A file of pseudo-random bytes (incompressible, the same on every run).
bool WritePatternFile(const std::string& path, size_t mebibytes);

// The folder of the running program, where its sibling tools are built.
std::string SelfDirectory();

off_t SizeOf(const std::string& path);

// A running process's user and system time in clock ticks, -1 when it is gone.
long long CpuTicks(pid_t pid);

// Its resident memory in MB, -1 when it is gone.
double ResidentMb(pid_t pid);

}  // namespace bench
