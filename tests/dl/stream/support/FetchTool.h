// Running velmora-fetch from a test as a child process, with its standard
// error kept and, when asked, a PATH of the test's choosing.
#ifndef VELMORA_TESTS_DL_STREAM_SUPPORT_FETCHTOOL_H
#define VELMORA_TESTS_DL_STREAM_SUPPORT_FETCHTOOL_H

#include <sys/types.h>

#include <string>
#include <vector>

std::string FetchToolPath();

// Starts it with `arguments`; `path` replaces PATH when not empty. Its
// standard error goes to `errorFile`.
pid_t StartFetchTool(const std::vector<std::string>& arguments, const std::string& path,
                     const std::string& errorFile);

// The exit status, or -1 when it died of a signal.
int ReapFetchTool(pid_t pid);

#endif
