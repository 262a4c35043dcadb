// The real velmora program on the shipped scripts, as a user starts it:
// offscreen, with its own data, configuration and window-link folders, and
// the means to reach it from outside (velmora-send) and to read what it
// stored (the scripts' own database library through velmora-lua).
#ifndef VELMORA_TESTS_APP_VELMORAPROCESS_H
#define VELMORA_TESTS_APP_VELMORAPROCESS_H

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <map>
#include <string>
#include <thread>

#include "tests/support/TempDir.h"



inline std::string BinDir() {
  const char* bin = std::getenv("VELMORA_BIN_DIR");
  return bin ? bin : ".";
}

inline std::string Quoted(const std::string& text) {
  std::string out = "'";
  for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

class VelmoraProcess {
 public:
  explicit VelmoraProcess(const TempDir& home) : home_(home) {
    environment_ = "XDG_DATA_HOME=" + Quoted(home / "data") + " XDG_CONFIG_HOME=" + Quoted(home / "config") +
                   " VELMORA_WINDOW_DIR=" + Quoted(home / "windows") + " QT_QPA_PLATFORM=offscreen VELMORA_DIAG=1" +
                   " VELMORA_REGISTRY=" + Quoted(home / "registry.ini");
    // The installer's part: without an install path the program quits.
    WriteFileBytes(home / "registry.ini",
                   "[HKEY_LOCAL_MACHINE\\Software\\KOVAPT\\KOVA_PC]\nKOVAPath=" + (home / "install") + "\n");
  }
  ~VelmoraProcess() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }

  // Shows the window on the X server of this process's DISPLAY instead of
  // offscreen, for tests that click it from outside.
  void UseDisplay() {
    const std::string offscreen = "QT_QPA_PLATFORM=offscreen";
    const char* display = std::getenv("DISPLAY");
    environment_.replace(environment_.find(offscreen), offscreen.size(),
                         "QT_QPA_PLATFORM=xcb DISPLAY=" + Quoted(display ? display : ""));
  }
  pid_t Pid() const { return pid_; }

  // Ends the program the hard way, as a crash or kill -9 would.
  void Kill() {
    if (pid_ <= 0) return;
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }
  // Waits for a program that ends by itself (--screenshot); its exit code.
  int Wait(int seconds) {
    for (int i = 0; i < seconds * 10; ++i) {
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return -1;
  }

  void Start(const std::string& arguments = "") {
    const std::string command =
        "exec env " + environment_ + " " + Quoted(BinDir() + "/velmora") + arguments + " 2>" + Quoted(home_ / "stderr");
    pid_ = fork();
    if (pid_ == 0) {
      execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
  }
  // Runs a command in the same environment; its exit status.
  int Run(const std::string& program, const std::string& arguments) {
    const std::string command = "env " + environment_ + " " + Quoted(BinDir() + "/" + program) + " " + arguments +
                                " >/dev/null 2>>" + Quoted(home_ / "stderr-tools");
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  bool HandOver(const std::string& text) {
    for (int attempt = 0; attempt < 100; ++attempt) {
      if (Run("velmora-send", "--copydata " + Quoted(text)) == 0) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
  }
  // Closes the window as the window manager would and waits for the exit.
  bool Close() {
    Run("velmora-send", "--post 16 0 0");
    for (int i = 0; i < 100; ++i) {
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return WIFEXITED(status) && WEXITSTATUS(status) == 0;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
  }

 private:
  const TempDir& home_;
  std::string environment_;
  pid_t pid_ = -1;
};

// The names of the stored tasks, through the scripts' own database library.
inline std::string StoredNames(const TempDir& home) {
  WriteFileBytes(home / "names.lua",
                 "local db = sqlite_dbnew() assert(sqlite_dbopen(db, startparam[3]) == 0)\n"
                 "local q = sqlite_qnew() assert(not sqlite_dbquery(db, q, 'SELECT name, state FROM tasks ORDER BY id'))\n"
                 "local out = {} while not sqlite_qeof(q) do\n"
                 "  out[#out + 1] = sqlite_qgetStringField(q, 0) .. ':' .. sqlite_qgetStringField(q, 1) sqlite_qnextRow(q)\n"
                 "end io.write(table.concat(out, ','))\n");
  const std::string command = Quoted(BinDir() + "/velmora-lua") + " " + Quoted(home / "names.lua") + " " +
                              Quoted(home / "data/velmora/tasks.db") + " > " + Quoted(home / "names.txt");
  if (std::system(command.c_str()) != 0) return "(unreadable)";
  return ReadFileBytes(home / "names.txt");
}

// "name:state:error" of every stored task, one a line.
inline std::map<std::string, std::string> StoredTasks(const TempDir& home) {
  WriteFileBytes(home / "tasks.lua",
                 "local db = sqlite_dbnew() if sqlite_dbopen(db, startparam[3]) ~= 0 then return end\n"
                 "local q = sqlite_qnew() if sqlite_dbquery(db, q, 'SELECT name, state, error FROM tasks') then return end\n"
                 "while not sqlite_qeof(q) do\n"
                 "  io.write(sqlite_qgetStringField(q, 0), '\\t', sqlite_qgetStringField(q, 1), ':',\n"
                 "           sqlite_qgetStringField(q, 2), '\\n') sqlite_qnextRow(q)\n"
                 "end\n");
  const std::string command = Quoted(BinDir() + "/velmora-lua") + " " + Quoted(home / "tasks.lua") + " " +
                              Quoted(home / "data/velmora/tasks.db") + " > " + Quoted(home / "tasks.txt") +
                              " 2>/dev/null";
  std::map<std::string, std::string> out;
  if (std::system(command.c_str()) != 0) return out;
  const std::string text = ReadFileBytes(home / "tasks.txt");
  size_t at = 0;
  while (at < text.size()) {
    const size_t end = text.find('\n', at);
    const std::string line = text.substr(at, end - at);
    const size_t tab = line.find('\t');
    if (tab != std::string::npos) out[line.substr(0, tab)] = line.substr(tab + 1);
    if (end == std::string::npos) break;
    at = end + 1;
  }
  return out;
}

inline std::string StateOf(const TempDir& home, const std::string& name) {
  const auto tasks = StoredTasks(home);
  const auto found = tasks.find(name);
  return found == tasks.end() ? "" : found->second;
}

#endif
