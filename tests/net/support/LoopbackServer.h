// An HTTP server on 127.0.0.1 (or ::1) for tests: each accepted connection gets the
// next scripted reply, byte for byte ("$PORT" in a reply stands for the
// server's own port), and every request is recorded exactly as it arrived.
// Connections are served one at a time on one thread.
#ifndef VELMORA_TESTS_NET_LOOPBACKSERVER_H
#define VELMORA_TESTS_NET_LOOPBACKSERVER_H

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct ScriptedReply {
  // Sent one after another, with `pauseMs` between them, so that a client
  // is likely to meet them in separate reads.
  std::vector<std::string> pieces;
  int pauseMs = 0;
  // Keep the connection open (silent) after the reply until the client
  // closes it; otherwise close at once.
  bool holdOpen = false;
};

ScriptedReply Reply(std::string bytes);

class LoopbackServer {
 public:
  // The last reply serves every connection beyond the script.
  explicit LoopbackServer(std::vector<ScriptedReply> replies, bool ipv6 = false);
  explicit LoopbackServer(ScriptedReply reply, bool ipv6 = false)
      : LoopbackServer(std::vector<ScriptedReply>{std::move(reply)}, ipv6) {}
  ~LoopbackServer();
  LoopbackServer(const LoopbackServer&) = delete;
  LoopbackServer& operator=(const LoopbackServer&) = delete;

  uint16_t port() const { return port_; }
  std::string Url(const std::string& path) const;
  std::vector<std::string> requests() const;
  std::string request(size_t i = 0) const;
  size_t connections() const { return connections_; }

 private:
  void Serve();
  void ServeOne(int client, const ScriptedReply& reply);
  std::string ReadRequest(int client);

  std::vector<ScriptedReply> replies_;
  bool ipv6_ = false;
  int listener_ = -1;
  uint16_t port_ = 0;
  std::atomic<bool> stopping_{false};
  std::atomic<size_t> connections_{0};
  mutable std::mutex mutex_;
  std::vector<std::string> requests_;
  std::thread thread_;
};

// A port on 127.0.0.1 (or ::1) that nobody listens on (at the moment of asking).
uint16_t UnusedLoopbackPort(bool ipv6 = false);

#endif
