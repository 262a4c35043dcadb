// WSocket: one TCP connection (IPv4 or IPv6) to a named host and port, the
// base of the HTTP client. Also the URL splitter and the two timed transfer primitives
// that every body reader calls through function pointers (so tests can put a
// stalling or scripted peer in their place).
//
// Blocking; one thread per object at a time.
#ifndef VELMORA_NET_WSOCKET_H
#define VELMORA_NET_WSOCKET_H

#include <cstdint>
#include <string>

#include "base/ResultCode.h"

// Receive: bytes received, 0 at orderly close, -1 on error, -2 when the
// readiness wait ran out. Send answers the same way for bytes sent.
using RecvFunction = int (*)(int32_t* socket, char* buffer, int32_t length, int32_t flags);
using SendFunction = int (*)(int32_t* socket, const char* data, int32_t length, int32_t flags);

struct SplitUrlResult {
  std::string host;
  uint16_t port = 80;
  std::string path;
};

class WSocket {
 public:
  static constexpr size_t kMaxHostLength = 128;
  static constexpr int kReceiveWaitSeconds = 60;
  static constexpr int kSendWaitSeconds = 5;

  WSocket();
  virtual ~WSocket();
  WSocket(const WSocket&) = delete;
  WSocket& operator=(const WSocket&) = delete;

  // 0, or NetInitSocketError.
  static ResultCode StartUp();

  // A host longer than 128 characters is not stored; the old one stays.
  void SetEndpoint(const char* host, uint16_t port);
  // Closes any socket still open from an earlier attempt, then connects
  // (the program's one TCP connect, so names with IPv6 addresses work too)
  // and leaves the socket blocking. There is no time-out of our own: it
  // tries as long as the system does. 0 or NetConnectError; a failed
  // attempt leaves no socket open.
  ResultCode Connect();
  // Closes the socket if one is open; it is -1 afterwards.
  void CloseConnection();

  // "http://" (any case) + host [":" port] [path]. The port is looked for
  // only in the authority, before the first '/'; an IPv6 host stays in its
  // brackets ("[::1]", as the Host field wants it). 0, or DbQueryError when
  // the scheme prefix is missing.
  static ResultCode SplitUrl(const char* url, SplitUrlResult& out);

  // One readiness wait (0 readable, 1 writable, 2 exceptional); the wait's
  // own result: >0 ready, 0 timed out, -1 error.
  static int WaitReady(int32_t socket, int seconds, int kind);
  // Wait 60 s readable / 5 s writable, then one recv / send; -2 on time-out.
  static int TimedRecv(int32_t* socket, char* buffer, int32_t length, int32_t flags);
  static int TimedSend(int32_t* socket, const char* data, int32_t length, int32_t flags);

  const char* host() const { return host_; }
  uint16_t port() const { return port_; }
  int32_t socketHandle() const { return socket_; }

 protected:
  char host_[kMaxHostLength + 1] = {};
  uint16_t port_ = 0;
  int32_t socket_ = -1;
};

#endif
