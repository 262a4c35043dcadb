// One trial of a download client against a FaultServer: the client is
// started, killed at random moments (SIGKILL) and started again, then left
// to end by itself within a bound. What it leaves is judged: a file
// byte-identical to one version of the served file, or a clear failure;
// never another file, a web page under the file's name, a hang or a crash.
// After every kill the record beside the part must claim only bytes of the
// version it names.
//
// Everything random in a trial (the server's faults, the file's size, when
// the kills come) follows from the seed, so a trial that went wrong can be
// run again alone.
#ifndef VELMORA_TESTS_DL_FETCHTRIAL_H
#define VELMORA_TESTS_DL_FETCHTRIAL_H

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tests/dl/support/FaultServer.h"

enum class TrialEnd {
  Identical,      // a file equal to one version
  ClearFailure,   // a non-zero exit with a message, nothing under the file's name
  WebPageSaved,   // the server's page under the file's name
  WrongFile,      // any other bytes under the file's name
  SilentFailure,  // failed without a message, or "succeeded" without a file
  Hung,           // still running at its bound (then killed)
  Crashed,        // ended by a signal it was not sent
  kCount
};
const char* TrialEndName(TrialEnd end);
// Ends a sound client may come to.
inline bool Acceptable(TrialEnd end) { return end == TrialEnd::Identical || end == TrialEnd::ClearFailure; }

struct TrialSettings {
  uint64_t seed = 1;
  // The client's command line for a URL and the file to write.
  std::function<std::vector<std::string>(const std::string& url, const std::string& file)> command;
  // What a message of the client starts with; empty: any text counts.
  std::string messagePrefix;
  // Whether a failed run may leave bytes under the file's name (a client
  // that writes there directly) without that counting as a wrong file.
  bool failureMayLeaveFile = false;
  bool checkRecord = true;
  std::string dir;  // an empty folder for this trial alone
  double rate = 0.02;
  double stickyChance = 0.05;
  size_t minSize = 1 << 20;
  size_t maxSize = 4 << 20;
  int64_t pace = 4 << 20;
  int maxKills = 3;
  int minKillMs = 100;
  int maxKillMs = 2000;
  int runBoundMs = 40000;
  std::vector<Fault> kinds;  // empty: every fault
};

struct TrialResult {
  TrialEnd end = TrialEnd::SilentFailure;
  int version = -1;  // the version the file equals
  int runs = 0;
  int kills = 0;
  size_t requests = 0;
  double seconds = 0;
  std::string message;                   // the last run's standard error
  std::vector<std::string> recordFaults;  // what a record claimed wrongly after a kill
  std::string serverLog;
};

TrialResult RunFetchTrial(const TrialSettings& settings);

// The client's command line: velmora-fetch URL FILE --connections N.
std::vector<std::string> VelmoraFetchCommand(const std::string& tool, int connections, const std::string& url,
                                             const std::string& file);

#endif
