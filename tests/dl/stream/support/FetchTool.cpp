#include "tests/dl/stream/support/FetchTool.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

std::string FetchToolPath() {
  const char* bin = std::getenv("VELMORA_BIN_DIR");
  return std::string(bin ? bin : ".") + "/velmora-fetch";
}

pid_t StartFetchTool(const std::vector<std::string>& arguments, const std::string& path,
                     const std::string& errorFile) {
  std::string tool = FetchToolPath();
  std::vector<std::string> all{tool};
  all.insert(all.end(), arguments.begin(), arguments.end());
  pid_t pid = fork();
  if (pid == 0) {
    int fd = open(errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd >= 0) dup2(fd, STDERR_FILENO);
    if (!path.empty()) setenv("PATH", path.c_str(), 1);
    std::vector<char*> argv;
    for (auto& argument : all) argv.push_back(argument.data());
    argv.push_back(nullptr);
    execv(tool.c_str(), argv.data());
    _exit(127);
  }
  return pid;
}

int ReapFetchTool(pid_t pid) {
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
