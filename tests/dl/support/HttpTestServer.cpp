#include "tests/dl/support/HttpTestServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <strings.h>

namespace {

bool WaitReadable(int fd, int ms) {
  pollfd entry{fd, POLLIN, 0};
  return poll(&entry, 1, ms) > 0;
}

HttpRequest ReadRequest(int fd, const std::atomic<bool>& stopping) {
  HttpRequest request;
  char buffer[4096];
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (!stopping && request.text.find("\r\n\r\n") == std::string::npos &&
         std::chrono::steady_clock::now() < deadline) {
    if (!WaitReadable(fd, 20)) continue;
    ssize_t n = recv(fd, buffer, sizeof buffer, 0);
    if (n <= 0) break;
    request.text.append(buffer, static_cast<size_t>(n));
  }
  size_t first = request.text.find(' ');
  size_t second = first == std::string::npos ? first : request.text.find(' ', first + 1);
  if (second != std::string::npos) request.target = request.text.substr(first + 1, second - first - 1);
  return request;
}

}  // namespace

std::string HttpRequest::Header(std::string_view name) const {
  size_t at = 0;
  while ((at = text.find("\r\n", at)) != std::string::npos) {
    at += 2;
    if (text.size() >= at + name.size() + 1 && strncasecmp(text.c_str() + at, name.data(), name.size()) == 0 &&
        text[at + name.size()] == ':') {
      size_t begin = text.find_first_not_of(' ', at + name.size() + 1);
      return text.substr(begin, text.find("\r\n", begin) - begin);
    }
  }
  return {};
}

bool ServerPeer::Send(std::string_view bytes) {
  while (!bytes.empty()) {
    if (stopping_) return false;
    ssize_t n = send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

bool ServerPeer::SendPaced(std::string_view bytes, int64_t bytesPerSecond) {
  if (bytesPerSecond <= 0) return Send(bytes);
  size_t piece = std::max<size_t>(1, static_cast<size_t>(bytesPerSecond / 50));
  auto start = std::chrono::steady_clock::now();
  size_t sent = 0;
  while (sent < bytes.size()) {
    size_t take = std::min(piece, bytes.size() - sent);
    if (!Send(bytes.substr(sent, take))) return false;
    sent += take;
    auto due = start + std::chrono::microseconds(static_cast<int64_t>(sent) * 1000000 / bytesPerSecond);
    std::this_thread::sleep_until(due);
  }
  return true;
}

void ServerPeer::Silence(int ms) {
  auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  char sink[256];
  while (!stopping_ && std::chrono::steady_clock::now() < until) {
    if (WaitReadable(fd_, 20) && recv(fd_, sink, sizeof sink, 0) <= 0) return;
  }
}

HttpTestServer::HttpTestServer(Handler handler) : handler_(std::move(handler)) {
  listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  int one = 1;
  setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  if (bind(listener_, reinterpret_cast<sockaddr*>(&address), size) != 0 || listen(listener_, 64) != 0) return;
  getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size);
  port_ = ntohs(address.sin_port);
  acceptor_ = std::thread([this] { AcceptLoop(); });
}

HttpTestServer::~HttpTestServer() {
  stopping_ = true;
  if (acceptor_.joinable()) acceptor_.join();
  for (auto& thread : threads_) thread.join();
  close(listener_);
}

std::string HttpTestServer::Url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + path;
}

std::vector<HttpRequest> HttpTestServer::requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

void HttpTestServer::AcceptLoop() {
  while (!stopping_) {
    if (!WaitReadable(listener_, 20)) continue;
    int fd = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    size_t index = connections_++;
    threads_.emplace_back([this, fd, index] { Serve(fd, index); });
  }
}

void HttpTestServer::Serve(int fd, size_t index) {
  HttpRequest request = ReadRequest(fd, stopping_);
  {
    std::lock_guard lock(mutex_);
    requests_.push_back(request);
  }
  ServerPeer peer(fd, stopping_);
  if (!request.text.empty()) handler_(request, peer, index);
  close(fd);
}

void ServeResource(const HttpRequest& request, ServerPeer& peer, const Resource& resource) {
  int64_t size = static_cast<int64_t>(resource.body.size());
  int64_t from = 0;
  std::string range = request.Header("Range");
  std::string ifRange = request.Header("If-Range");
  bool partial = resource.ranges && range.starts_with("bytes=") && (ifRange.empty() || ifRange == resource.etag);
  int64_t last = size - 1;
  if (partial) {
    from = std::atoll(range.c_str() + 6);
    size_t dash = range.find('-');
    if (dash != std::string::npos && dash + 1 < range.size())
      last = std::min<int64_t>(last, std::atoll(range.c_str() + dash + 1));
  }
  std::string head;
  if (partial && from >= size) {
    peer.Send("HTTP/1.1 416 Range Not Satisfiable\r\nContent-Range: bytes */" + std::to_string(size) +
              "\r\nContent-Length: 0\r\n\r\n");
    return;
  }
  if (partial) {
    head = "HTTP/1.1 206 Partial Content\r\nContent-Range: bytes " + std::to_string(from) + "-" +
           std::to_string(last) + "/" + std::to_string(size) + "\r\n";
  } else {
    head = "HTTP/1.1 200 OK\r\n";
  }
  head += "Content-Length: " + std::to_string(last + 1 - from) + "\r\nETag: " + resource.etag +
          "\r\nAccept-Ranges: bytes\r\n" + resource.extraHeaders + "\r\n";
  if (!peer.Send(head)) return;
  std::string_view body(resource.body);
  body = body.substr(static_cast<size_t>(from), static_cast<size_t>(last + 1 - from));
  int64_t stop = resource.cutAfter >= 0 ? resource.cutAfter : resource.stallAfter;
  if (stop >= 0 && stop < static_cast<int64_t>(body.size())) {
    if (!peer.SendPaced(body.substr(0, static_cast<size_t>(stop)), resource.pace)) return;
    if (resource.stallAfter >= 0) peer.Silence(60000);
    return;
  }
  peer.SendPaced(body, resource.pace);
}

std::string PatternBytes(size_t size, uint32_t seed) {
  std::string out(size, '\0');
  uint32_t state = seed;
  for (char& c : out) {
    state = state * 1664525u + 1013904223u;
    c = static_cast<char>(state >> 24);
  }
  return out;
}

std::string GzipBytes(const std::string& text) {
  z_stream stream{};
  deflateInit2(&stream, 6, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&stream, text.size()) + 32, '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
  stream.avail_in = static_cast<uInt>(text.size());
  stream.next_out = reinterpret_cast<Bytef*>(out.data());
  stream.avail_out = static_cast<uInt>(out.size());
  deflate(&stream, Z_FINISH);
  out.resize(stream.total_out);
  deflateEnd(&stream);
  return out;
}
