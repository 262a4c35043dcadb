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

#endif
