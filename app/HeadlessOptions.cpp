#include "app/HeadlessOptions.h"

#include <unistd.h>

#include <climits>
#include <cstring>

namespace {

// Folders are made absolute now: the host moves into its own folder
// before the scripts read them.
std::string Absolute(const std::string& path) {
  if (!path.empty() && path[0] == '/') return path;
  char here[PATH_MAX];
  if (!::getcwd(here, sizeof here)) return {};
  return std::string(here) + "/" + path;
}

}  // namespace

std::optional<HeadlessOptions> ReadHeadlessOptions(int argc, char** argv, std::string& error) {
  if (argc < 2 || std::strcmp(argv[1], "--headless") != 0) return std::nullopt;
  HeadlessOptions options;
  for (int i = 2; i < argc; ++i) {
    const std::string option = argv[i];
    const bool hasValue = i + 1 < argc;
    if (option == "--print-secret") {
      options.printSecret = true;
    } else if ((option == "--rpc-listen" || option == "--rpc-secret" || option == "--rpc-allow-dir") && !hasValue) {
      error = option + " needs a value";
      return options;
    } else if (option == "--rpc-listen") {
      options.listen = argv[++i];
    } else if (option == "--rpc-secret") {
      options.secret = argv[++i];
      if (options.secret.empty()) error = "--rpc-secret must not be empty";
    } else if (option == "--rpc-allow-dir") {
      const std::string folder = Absolute(argv[++i]);
      if (folder.empty()) error = "cannot tell where " + std::string(argv[i]) + " is";
      options.allowDirs.push_back(folder);
    } else {
      error = "unknown option " + option +
              " (velmora --headless [--rpc-listen HOST:PORT] [--rpc-secret SECRET] [--rpc-allow-dir DIR]... "
              "[--print-secret])";
    }
    if (!error.empty()) return options;
  }
  return options;
}
