#include "tests/net/support/TestProxy.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <openssl/evp.h>
#include <poll.h>
#include <signal.h>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "tests/net/support/LoopbackListen.h"

namespace {

constexpr size_t kMaxHead = 64 * 1024;

bool Readable(int fd, int ms) {
  pollfd entry{fd, POLLIN, 0};
  return poll(&entry, 1, ms) > 0;
}

void SendAll(int fd, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t sent = send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
    if (sent <= 0) return;
    done += static_cast<size_t>(sent);
  }
}

size_t HeadEnd(const std::string& text) {
  for (size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 1)) {
    if (at + 1 < text.size() && text[at + 1] == '\n') return at + 2;
    if (at + 2 < text.size() && text[at + 1] == '\r' && text[at + 2] == '\n') return at + 3;
  }
  return std::string::npos;
}

// The head, and in `rest` whatever came after it.
bool ReadHead(int fd, const std::atomic<bool>& stopping, std::string& head, std::string& rest) {
  char buffer[4096];
  while (!stopping && head.size() < kMaxHead) {
    if (!Readable(fd, 20)) continue;
    ssize_t got = recv(fd, buffer, sizeof buffer, 0);
    if (got <= 0) return false;
    head.append(buffer, static_cast<size_t>(got));
    size_t end = HeadEnd(head);
    if (end != std::string::npos) {
      rest = head.substr(end);
      head.resize(end);
      return true;
    }
  }
  return false;
}

std::string FieldValue(const std::string& head, const char* name) {
  size_t length = std::strlen(name);
  for (size_t at = head.find('\n'); at != std::string::npos; at = head.find('\n', at + 1)) {
    if (strncasecmp(head.c_str() + at + 1, name, length) != 0 || head[at + 1 + length] != ':') continue;
    size_t start = head.find_first_not_of(' ', at + 2 + length);
    size_t end = head.find_first_of("\r\n", start);
    return head.substr(start, end - start);
  }
  return {};
}

std::string Base64(const std::string& plain) {
  std::string out(4 * ((plain.size() + 2) / 3) + 1, '\0');
  int length = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()),
                               reinterpret_cast<const unsigned char*>(plain.data()), static_cast<int>(plain.size()));
  out.resize(static_cast<size_t>(length));
  return out;
}

// "host:port" or "[v6]:port" of a loopback host; -1 for any other host.
int ConnectLoopback(const std::string& hostPort) {
  size_t colon = hostPort.rfind(':');
  if (colon == std::string::npos) return -1;
  std::string host = hostPort.substr(0, colon);
  int port = std::atoi(hostPort.c_str() + colon + 1);
  bool v6 = host == "[::1]" || host == "::1";
  if (!v6 && host != "127.0.0.1" && host != "localhost") return -1;
  int fd = socket(v6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_storage storage{};
  socklen_t size;
  if (v6) {
    auto* address = reinterpret_cast<sockaddr_in6*>(&storage);
    address->sin6_family = AF_INET6;
    address->sin6_port = htons(static_cast<uint16_t>(port));
    address->sin6_addr = in6addr_loopback;
    size = sizeof *address;
  } else {
    auto* address = reinterpret_cast<sockaddr_in*>(&storage);
    address->sin_family = AF_INET;
    address->sin_port = htons(static_cast<uint16_t>(port));
    address->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    size = sizeof *address;
  }
  if (connect(fd, reinterpret_cast<sockaddr*>(&storage), size) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

std::string Answer(const char* status) {
  return std::string("HTTP/1.1 ") + status + "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
}

// The head with the proxy's own fields taken out.
std::string WithoutProxyFields(const std::string& head) {
  std::string out;
  for (size_t at = 0; at < head.size();) {
    size_t end = head.find('\n', at);
    end = end == std::string::npos ? head.size() : end + 1;
    std::string line = head.substr(at, end - at);
    if (strncasecmp(line.c_str(), "Proxy-Authorization:", 20) != 0 &&
        strncasecmp(line.c_str(), "Proxy-Connection:", 17) != 0)
      out += line;
    at = end;
  }
  return out;
}

}  // namespace

TestProxy::TestProxy(std::string credentials) {
  signal(SIGPIPE, SIG_IGN);
  if (!credentials.empty()) expectedAuthorization_ = "Basic " + Base64(credentials);
  listener_ = ListenOnLoopback(&port_);
  if (listener_ >= 0) acceptor_ = std::thread([this] { Accept(); });
}

TestProxy::~TestProxy() {
  stopping_ = true;
  if (acceptor_.joinable()) acceptor_.join();
  for (std::thread& worker : workers_) worker.join();
  if (listener_ >= 0) close(listener_);
}

std::string TestProxy::Url() const { return "http://127.0.0.1:" + std::to_string(port_); }

std::vector<std::string> TestProxy::heads() const {
  std::lock_guard lock(mutex_);
  return heads_;
}

void TestProxy::Accept() {
  while (!stopping_) {
    if (!Readable(listener_, 20)) continue;
    int client = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (client < 0) continue;
    workers_.emplace_back([this, client] {
      Serve(client);
      close(client);
    });
  }
}

bool TestProxy::Authorized(const std::string& head) const {
  return expectedAuthorization_.empty() || FieldValue(head, "Proxy-Authorization") == expectedAuthorization_;
}

void TestProxy::Serve(int client) {
  std::string head, rest;
  if (!ReadHead(client, stopping_, head, rest)) return;
  {
    std::lock_guard lock(mutex_);
    heads_.push_back(head);
  }
  if (!Authorized(head))
    return SendAll(client,
                   "HTTP/1.1 407 Proxy Authentication Required\r\nProxy-Authenticate: Basic realm=\"test\"\r\n"
                   "Content-Length: 0\r\nConnection: close\r\n\r\n");
  size_t space = head.find(' ');
  size_t targetEnd = head.find(' ', space + 1);
  if (space == std::string::npos || targetEnd == std::string::npos) return SendAll(client, Answer("400 Bad Request"));
  std::string target = head.substr(space + 1, targetEnd - space - 1);
  if (head.compare(0, space, "CONNECT") == 0) return Tunnel(client, target);
  if (target.compare(0, 7, "http://") == 0) return Forward(client, head, rest);
  SendAll(client, Answer("400 Bad Request"));
}

void TestProxy::Tunnel(int client, const std::string& target) {
  int server = ConnectLoopback(target);
  if (server < 0) return SendAll(client, Answer("403 Forbidden"));
  ++tunnels_;
  SendAll(client, "HTTP/1.1 200 Connection established\r\n\r\n");
  Relay(client, server);
  close(server);
}

void TestProxy::Forward(int client, const std::string& head, const std::string& rest) {
  // "GET http://host:port/path HTTP/1.1" becomes "GET /path HTTP/1.1".
  size_t authority = head.find("http://") + 7;
  size_t path = head.find_first_of("/ ", authority);
  std::string hostPort = head.substr(authority, path - authority);
  if (hostPort.find(':') == std::string::npos || hostPort.back() == ']') hostPort += ":80";
  int server = ConnectLoopback(hostPort);
  if (server < 0) return SendAll(client, Answer("403 Forbidden"));
  ++forwards_;
  std::string line = head.substr(0, head.find(' ') + 1) + (head[path] == '/' ? "" : "/");
  SendAll(server, line + WithoutProxyFields(head.substr(path)) + rest);
  Relay(client, server);
  close(server);
}

void TestProxy::Relay(int a, int b) {
  bool open[2] = {true, true};
  int fds[2] = {a, b};
  char buffer[16384];
  while (!stopping_ && (open[0] || open[1])) {
    pollfd entries[2] = {{open[0] ? a : -1, POLLIN, 0}, {open[1] ? b : -1, POLLIN, 0}};
    if (poll(entries, 2, 20) <= 0) continue;
    for (int i = 0; i < 2; ++i) {
      if (!open[i] || !(entries[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
      ssize_t got = recv(fds[i], buffer, sizeof buffer, 0);
      if (got <= 0) {
        open[i] = false;
        shutdown(fds[1 - i], SHUT_WR);
        continue;
      }
      SendAll(fds[1 - i], std::string(buffer, static_cast<size_t>(got)));
    }
  }
}
