// A small HTTP proxy on 127.0.0.1 for tests. It tunnels CONNECT requests
// and forwards plain-HTTP requests written with an absolute URL
// ("GET http://127.0.0.1:8080/f HTTP/1.1"), and can insist on Basic
// credentials (407 otherwise). It reaches loopback targets only; any other
// host gets 403. Every request head is recorded as it arrived. Each
// connection is served on a thread of its own.
#ifndef VELMORA_TESTS_NET_TESTPROXY_H
#define VELMORA_TESTS_NET_TESTPROXY_H

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class TestProxy {
 public:
  // `credentials`: "user:password" that requests must carry, or empty.
  explicit TestProxy(std::string credentials = "");
  ~TestProxy();
  TestProxy(const TestProxy&) = delete;
  TestProxy& operator=(const TestProxy&) = delete;

  uint16_t port() const { return port_; }
  // "http://127.0.0.1:<port>"
  std::string Url() const;
  std::vector<std::string> heads() const;
  // Tunnels opened and requests forwarded so far.
  size_t tunnels() const { return tunnels_; }
  size_t forwards() const { return forwards_; }

 private:
  void Accept();
  void Serve(int client);
  bool Authorized(const std::string& head) const;
  void Tunnel(int client, const std::string& target);
  void Forward(int client, const std::string& head, const std::string& rest);
  void Relay(int a, int b);

  std::string expectedAuthorization_;
  int listener_ = -1;
  uint16_t port_ = 0;
  std::atomic<bool> stopping_{false};
  std::atomic<size_t> tunnels_{0};
  std::atomic<size_t> forwards_{0};
  mutable std::mutex mutex_;
  std::vector<std::string> heads_;
  std::vector<std::thread> workers_;
  std::thread acceptor_;
};

#endif
