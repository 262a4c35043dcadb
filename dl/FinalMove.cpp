#include "dl/FinalMove.h"

#include <cerrno>

#include "platform/Files.h"

int MoveToFinalName(TaskHost& host, const std::string& folder, std::string& name, const std::string& from) {
  int error = platform::MoveFileNoReplace(from, folder + "/" + name);
  if (error == EEXIST) {
    // That file is not ours to replace.
    name = host.ClaimName(folder, name);
    error = platform::MoveFileNoReplace(from, folder + "/" + name);
  }
  return error;
}
