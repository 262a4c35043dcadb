#include "tests/desktop/DesktopTestSupport.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

extern char** environ;

RunResult RunProgram(const std::vector<std::string>& args, const std::vector<std::string>& env) {
  RunResult result;
  int out[2];
  if (pipe2(out, O_CLOEXEC) != 0) return result;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_adddup2(&actions, out[1], 2);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  std::vector<char*> argv;
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  // The given variables replace inherited ones of the same name.
  std::vector<std::string> environment = env;
  for (char** e = environ; *e; ++e) {
    const std::string inherited = *e;
    const std::string name = inherited.substr(0, inherited.find('=') + 1);
    bool replaced = false;
    for (const std::string& own : env) replaced |= own.rfind(name, 0) == 0;
    if (!replaced) environment.push_back(inherited);
  }
  std::vector<char*> envp;
  for (auto& e : environment) envp.push_back(e.data());
  envp.push_back(nullptr);
  pid_t pid = -1;
  const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  if (rc == 0) {
    char chunk[4096];
    for (ssize_t n; (n = read(out[0], chunk, sizeof(chunk))) > 0;) result.output.append(chunk, static_cast<size_t>(n));
    int status = 0;
    waitpid(pid, &status, 0);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  close(out[0]);
  return result;
}

bool HaveProgram(const std::string& program) {
  return RunProgram({"sh", "-c", "command -v " + program}).status == 0;
}

std::string SourceDir() {
  const char* dir = std::getenv("VELMORA_SOURCE_DIR");
  return dir ? dir : ".";
}

std::string BinDir() {
  const char* dir = std::getenv("VELMORA_BIN_DIR");
  return dir ? dir : ".";
}
