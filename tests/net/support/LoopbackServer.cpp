#include "tests/net/support/LoopbackServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>

#include "tests/net/support/LoopbackListen.h"

namespace {

bool WaitReadable(int fd, int ms) {
  pollfd entry{fd, POLLIN, 0};
  return poll(&entry, 1, ms) > 0;
}

void SendAll(int fd, const std::string& bytes) {
  size_t sent = 0;
  while (sent < bytes.size()) {
    ssize_t n = send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) return;
    sent += static_cast<size_t>(n);
  }
}

// The declared body length of a request head, 0 when none.
size_t DeclaredLength(const std::string& head) {
  size_t at = head.find("\r\nContent-Length: ");
  return at == std::string::npos ? 0 : std::strtoul(head.c_str() + at + 18, nullptr, 10);
}

std::string WithPort(std::string bytes, uint16_t port) {
  for (size_t at; (at = bytes.find("$PORT")) != std::string::npos;) bytes.replace(at, 5, std::to_string(port));
  return bytes;
}

}  // namespace

ScriptedReply Reply(std::string bytes) { return ScriptedReply{{std::move(bytes)}, 0, false}; }

LoopbackServer::LoopbackServer(std::vector<ScriptedReply> replies, bool ipv6)
    : replies_(std::move(replies)), ipv6_(ipv6) {
  listener_ = ListenOnLoopback(&port_, ipv6);
  if (listener_ >= 0) thread_ = std::thread([this] { Serve(); });
}

LoopbackServer::~LoopbackServer() {
  stopping_ = true;
  if (thread_.joinable()) thread_.join();
  if (listener_ >= 0) close(listener_);
}

std::string LoopbackServer::Url(const std::string& path) const {
  return std::string(ipv6_ ? "http://[::1]:" : "http://127.0.0.1:") + std::to_string(port_) + path;
}

std::vector<std::string> LoopbackServer::requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

std::string LoopbackServer::request(size_t i) const {
  std::lock_guard lock(mutex_);
  return i < requests_.size() ? requests_[i] : std::string();
}

void LoopbackServer::Serve() {
  while (!stopping_) {
    if (!WaitReadable(listener_, 20)) continue;
    int client = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (client < 0) continue;
    int one = 1;
    setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    size_t index = connections_++;
    ServeOne(client, replies_.empty() ? ScriptedReply{} : replies_[std::min(index, replies_.size() - 1)]);
    close(client);
  }
}

std::string LoopbackServer::ReadRequest(int client) {
  std::string request;
  char buffer[4096];
  size_t headEnd = std::string::npos;
  while (!stopping_) {
    if (headEnd != std::string::npos && request.size() >= headEnd + 4 + DeclaredLength(request)) break;
    if (!WaitReadable(client, 20)) continue;
    ssize_t n = recv(client, buffer, sizeof buffer, 0);
    if (n <= 0) break;
    request.append(buffer, static_cast<size_t>(n));
    if (headEnd == std::string::npos) headEnd = request.find("\r\n\r\n");
  }
  return request;
}

void LoopbackServer::ServeOne(int client, const ScriptedReply& reply) {
  std::string request = ReadRequest(client);
  {
    std::lock_guard lock(mutex_);
    requests_.push_back(request);
  }
  for (size_t i = 0; i < reply.pieces.size() && !stopping_; ++i) {
    if (i > 0 && reply.pauseMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(reply.pauseMs));
    SendAll(client, WithPort(reply.pieces[i], port_));
  }
  if (!reply.holdOpen) return;
  char sink[256];
  while (!stopping_) {
    if (WaitReadable(client, 20) && recv(client, sink, sizeof sink, 0) <= 0) return;
  }
}

uint16_t UnusedLoopbackPort(bool ipv6) {
  uint16_t port = 0;
  int fd = ListenOnLoopback(&port, ipv6);
  if (fd >= 0) close(fd);
  return port;
}
