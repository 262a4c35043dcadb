// An HTTP server on 127.0.0.1 whose answers a test writes as code: each
// connection runs on its own thread and hands the request to the handler,
// which sends bytes (paced if asked), stays silent, or closes. Every request
// is recorded as it arrived. ServeResource answers like a real file server
// (Range, If-Range, ETag) with knobs to cut or stall a body.
#ifndef VELMORA_TESTS_DL_HTTPTESTSERVER_H
#define VELMORA_TESTS_DL_HTTPTESTSERVER_H

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

struct HttpRequest {
  std::string text;
  std::string target;
  // First value of a header (name in any case); empty when absent.
  std::string Header(std::string_view name) const;
};

class ServerPeer {
 public:
  ServerPeer(int fd, const std::atomic<bool>& stopping) : fd_(fd), stopping_(stopping) {}
  // False once the client is gone.
  bool Send(std::string_view bytes);
  // In pieces, so that `bytesPerSecond` holds over every tenth of a second.
  bool SendPaced(std::string_view bytes, int64_t bytesPerSecond);
  // Silent until the client closes, the time passes, or the server stops.
  void Silence(int ms);

 private:
  int fd_;
  const std::atomic<bool>& stopping_;
};

class HttpTestServer {
 public:
  using Handler = std::function<void(const HttpRequest& request, ServerPeer& peer, size_t connection)>;

  explicit HttpTestServer(Handler handler);
  ~HttpTestServer();
  HttpTestServer(const HttpTestServer&) = delete;
  HttpTestServer& operator=(const HttpTestServer&) = delete;

  uint16_t port() const { return port_; }
  std::string Url(const std::string& path) const;
  std::vector<HttpRequest> requests() const;
  size_t connections() const { return connections_; }

 private:
  void AcceptLoop();
  void Serve(int fd, size_t index);

  Handler handler_;
  int listener_ = -1;
  uint16_t port_ = 0;
  std::atomic<bool> stopping_{false};
  std::atomic<size_t> connections_{0};
  mutable std::mutex mutex_;
  std::vector<HttpRequest> requests_;
  std::vector<std::thread> threads_;
  std::thread acceptor_;
};

// A file as a server offers it.
struct Resource {
  explicit Resource(std::string bytes, std::string tag = "\"v1\"", bool honourRanges = true)
      : body(std::move(bytes)), etag(std::move(tag)), ranges(honourRanges) {}
  std::string body;
  std::string etag;
  bool ranges;                 // false: Range is ignored (always 200)
  int64_t pace = 0;            // bytes/s, 0 at once
  int64_t cutAfter = -1;       // close after this many body bytes
  int64_t stallAfter = -1;     // go silent after this many body bytes
  std::string extraHeaders;    // whole lines, each ending in CR LF
};
void ServeResource(const HttpRequest& request, ServerPeer& peer, const Resource& resource);

// Deterministic bytes that differ at every offset.
std::string PatternBytes(size_t size, uint32_t seed = 7);
// A gzip member of `text` (zlib's gzip wrapper).
std::string GzipBytes(const std::string& text);

#endif
