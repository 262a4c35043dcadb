#include "platform/WindowLink.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <vector>

namespace ui::link {

namespace {

std::uint32_t HandleProcess(HWND hwnd) {
  return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(hwnd) >> 32);
}

std::uint32_t OwnProcess() { return static_cast<std::uint32_t>(::getpid()); }

bool EnsurePrivateDirectory(const std::string& path) {
  if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return false;
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return false;
  return S_ISDIR(st.st_mode) && st.st_uid == ::getuid() && (st.st_mode & 0077) == 0;
}

class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(Fd&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  Fd& operator=(Fd&& other) noexcept {
    std::swap(fd_, other.fd_);
    return *this;
  }
  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }

 private:
  int fd_;
};

enum class ConnectResult { Ok, Dead, Busy };

// A refused or missing socket means its process is gone.
ConnectResult Connect(const std::string& path, bool nonBlocking, Fd& out) {
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  if (path.size() >= sizeof(addr.sun_path)) return ConnectResult::Busy;
  std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
  Fd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | (nonBlocking ? SOCK_NONBLOCK : 0), 0));
  if (!fd.valid()) return ConnectResult::Busy;
  if (::connect(fd.get(), reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0) {
    return (errno == ECONNREFUSED || errno == ENOENT) ? ConnectResult::Dead : ConnectResult::Busy;
  }
  out = std::move(fd);
  return ConnectResult::Ok;
}

bool WaitFor(int fd, short events, int timeoutMs) {
  pollfd p{fd, events, 0};
  int rc;
  do {
    rc = ::poll(&p, 1, timeoutMs);
  } while (rc < 0 && errno == EINTR);
  return rc > 0 && (p.revents & (events | POLLHUP)) != 0;
}

bool WriteAll(int fd, const void* data, std::size_t size, int timeoutMs) {
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t n = ::send(fd, p, size, MSG_NOSIGNAL);
    if (n > 0) {
      p += n;
      size -= static_cast<std::size_t>(n);
    } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
      if (errno == EAGAIN && !WaitFor(fd, POLLOUT, timeoutMs)) return false;
    } else {
      return false;
    }
  }
  return true;
}

bool ReadAll(int fd, void* data, std::size_t size, int timeoutMs) {
  char* p = static_cast<char*>(data);
  while (size > 0) {
    if (!WaitFor(fd, POLLIN, timeoutMs)) return false;
    const ssize_t n = ::recv(fd, p, size, 0);
    if (n > 0) {
      p += n;
      size -= static_cast<std::size_t>(n);
    } else if (n == 0 || errno != EINTR) {
      return false;
    }
  }
  return true;
}

std::string Frame(FrameKind kind, const void* a, std::size_t aSize, const void* b = nullptr, std::size_t bSize = 0) {
  FrameHeader header{kFrameMagic, static_cast<std::uint32_t>(kind), static_cast<std::uint32_t>(aSize + bSize)};
  std::string bytes(reinterpret_cast<const char*>(&header), sizeof(header));
  bytes.append(static_cast<const char*>(a), aSize);
  if (bSize) bytes.append(static_cast<const char*>(b), bSize);
  return bytes;
}

void RemoveIfDead(const std::string& path, std::uint32_t pid) {
  if (::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) {
    ::unlink(path.c_str());
    return;
  }
  // A live process that refuses: the socket file is a leftover under a
  // reused process id.
  Fd probe;
  if (Connect(path, true, probe) == ConnectResult::Dead) ::unlink(path.c_str());
}

std::vector<std::uint32_t> ListedProcesses() {
  std::vector<std::uint32_t> pids;
  const std::string dir = SocketDirectory();
  if (dir.empty()) return pids;
  DIR* d = ::opendir(dir.c_str());
  if (!d) return pids;
  while (dirent* entry = ::readdir(d)) {
    const std::string name = entry->d_name;
    if (name.size() < 6 || name.compare(name.size() - 5, 5, ".sock") != 0) continue;
    char* end = nullptr;
    const unsigned long pid = std::strtoul(name.c_str(), &end, 10);
    if (end != name.c_str() + name.size() - 5 || pid == 0 || pid > 0xFFFFFFFFul) continue;
    if (pid != OwnProcess()) pids.push_back(static_cast<std::uint32_t>(pid));
  }
  ::closedir(d);
  return pids;
}

HWND AskProcess(std::uint32_t pid, const std::string& request) {
  const std::string path = SocketPath(pid);
  Fd fd;
  const ConnectResult rc = Connect(path, false, fd);
  if (rc == ConnectResult::Dead) RemoveIfDead(path, pid);
  if (rc != ConnectResult::Ok) return nullptr;
  constexpr int kTimeoutMs = 2000;
  std::uint64_t answer = 0;
  if (!WriteAll(fd.get(), request.data(), request.size(), kTimeoutMs) ||
      !ReadAll(fd.get(), &answer, sizeof(answer), kTimeoutMs)) {
    return nullptr;
  }
  // Only a handle of the asked process is believed.
  HWND hwnd = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(answer));
  return HandleProcess(hwnd) == pid ? hwnd : nullptr;
}

std::size_t Utf16Length(const char16_t* s) {
  std::size_t n = 0;
  while (s && s[n]) ++n;
  return n;
}

// One kept connection per thread and target process, so that posts from one
// thread arrive in order.
struct PostConnections {
  std::map<std::uint32_t, Fd> byProcess;
};
thread_local PostConnections t_posts;

}  // namespace

std::string SocketDirectory() {
  std::string dir;
  if (const char* own = std::getenv("VELMORA_WINDOW_DIR"); own && *own) {
    dir = own;
  } else if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime) {
    dir = std::string(runtime) + "/velmora-windows";
  } else {
    dir = "/tmp/velmora-windows-" + std::to_string(::getuid());
  }
  return EnsurePrivateDirectory(dir) ? dir : std::string();
}

std::string SocketPath(std::uint32_t pid) {
  const std::string dir = SocketDirectory();
  return dir.empty() ? std::string() : dir + "/" + std::to_string(pid) + ".sock";
}

HWND FindRemoteWindow(const char16_t* className, const char16_t* title) {
  const std::size_t titleLen = Utf16Length(title);
  const std::size_t classLen = Utf16Length(className);
  std::string payload(sizeof(FindPrefix), '\0');
  FindPrefix prefix{title ? 0u : 1u, static_cast<std::uint32_t>(titleLen * 2)};
  std::memcpy(payload.data(), &prefix, sizeof(prefix));
  if (titleLen) payload.append(reinterpret_cast<const char*>(title), titleLen * 2);
  if (classLen) payload.append(reinterpret_cast<const char*>(className), classLen * 2);
  if (payload.size() > kMaxPayload) return nullptr;
  const std::string request = Frame(FrameKind::Find, payload.data(), payload.size());
  for (std::uint32_t pid : ListedProcesses()) {
    if (HWND found = AskProcess(pid, request)) return found;
  }
  return nullptr;
}

bool PostRemote(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  const std::uint32_t pid = HandleProcess(hwnd);
  if (pid == 0 || pid == OwnProcess()) return false;
  PostPayload payload{reinterpret_cast<std::uintptr_t>(hwnd), wParam, lParam, message, 0};
  const std::string frame = Frame(FrameKind::Post, &payload, sizeof(payload));
  for (int attempt = 0; attempt < 2; ++attempt) {
    auto it = t_posts.byProcess.find(pid);
    if (it == t_posts.byProcess.end()) {
      Fd fd;
      const std::string path = SocketPath(pid);
      const ConnectResult rc = Connect(path, true, fd);
      if (rc == ConnectResult::Dead) RemoveIfDead(path, pid);
      if (rc != ConnectResult::Ok) return false;
      it = t_posts.byProcess.emplace(pid, std::move(fd)).first;
    }
    const ssize_t n = ::send(it->second.get(), frame.data(), frame.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n == static_cast<ssize_t>(frame.size())) return true;
    // A broken or half-written stream is dropped; a fresh one is tried once
    // when the old one had simply died.
    const bool retry = n < 0 && (errno == EPIPE || errno == ECONNRESET);
    t_posts.byProcess.erase(it);
    if (!retry) return false;
  }
  return false;
}

std::optional<LRESULT> SendCopyDataRemote(HWND hwnd, WPARAM wParam, const COPYDATASTRUCT& data, int timeoutMs) {
  const std::uint32_t pid = HandleProcess(hwnd);
  if (pid == 0 || pid == OwnProcess()) return std::nullopt;
  if (data.cbData > kMaxPayload - sizeof(CopyDataPrefix) || (data.cbData && !data.lpData)) return std::nullopt;
  CopyDataPrefix prefix{reinterpret_cast<std::uintptr_t>(hwnd), wParam, data.dwData};
  const std::string frame = Frame(FrameKind::CopyData, &prefix, sizeof(prefix), data.lpData, data.cbData);
  const std::string path = SocketPath(pid);
  Fd fd;
  const ConnectResult rc = Connect(path, false, fd);
  if (rc == ConnectResult::Dead) RemoveIfDead(path, pid);
  if (rc != ConnectResult::Ok) return std::nullopt;
  CopyDataReply reply{};
  if (!WriteAll(fd.get(), frame.data(), frame.size(), timeoutMs) ||
      !ReadAll(fd.get(), &reply, sizeof(reply), timeoutMs) || reply.delivered == 0) {
    return std::nullopt;
  }
  return static_cast<LRESULT>(reply.result);
}

}  // namespace ui::link
