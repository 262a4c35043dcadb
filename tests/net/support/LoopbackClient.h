// A TCP connection to a port on 127.0.0.1 for tests, closed with the object.
#ifndef VELMORA_TESTS_NET_LOOPBACKCLIENT_H
#define VELMORA_TESTS_NET_LOOPBACKCLIENT_H

#include <cstdint>
#include <string>

class LoopbackClient {
 public:
  explicit LoopbackClient(uint16_t port);
  ~LoopbackClient();
  LoopbackClient(const LoopbackClient&) = delete;
  LoopbackClient& operator=(const LoopbackClient&) = delete;

  // -1 when the connection failed.
  int fd() const { return fd_; }
  // Plain bytes: everything until the peer closes or stays silent for
  // `quietMs`.
  std::string ReadAvailable(int quietMs);

 private:
  int fd_ = -1;
};

#endif
