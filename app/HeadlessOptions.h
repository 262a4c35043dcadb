// The command line of `velmora --headless`: where remote control listens,
// its secret for this run, the extra folders callers may save into, and
// whether to print the secret and end. All of it is read here, in one
// place, and nowhere else.
#ifndef VELMORA_APP_HEADLESSOPTIONS_H
#define VELMORA_APP_HEADLESSOPTIONS_H

#include <optional>
#include <string>
#include <vector>

struct HeadlessOptions {
  std::string listen;  // "HOST:PORT" or "PORT"; empty: the settings'
  std::string secret;  // empty: the settings'
  std::vector<std::string> allowDirs;  // absolute
  bool printSecret = false;
};

// The options when argv asks for the headless host (argv[1] is
// "--headless"); nullopt otherwise. A bad option fills `error`.
std::optional<HeadlessOptions> ReadHeadlessOptions(int argc, char** argv, std::string& error);

#endif
