// Runs a program and captures its output, for the desktop checks that
// need system tools (desktop-file-validate, appstreamcli, dpkg-deb).
#ifndef VELMORA_TESTS_DESKTOPTESTSUPPORT_H
#define VELMORA_TESTS_DESKTOPTESTSUPPORT_H

#include <string>
#include <vector>

struct RunResult {
  int status = -1;     // exit status; -1 when it could not run
  std::string output;  // standard output and error together
};

RunResult RunProgram(const std::vector<std::string>& args, const std::vector<std::string>& env = {});

// True when `program` is found on PATH.
bool HaveProgram(const std::string& program);

std::string SourceDir();
std::string BinDir();

#endif
