#include "net/WSocket.h"

#include <cstdlib>
#include <cstring>
#include <strings.h>

#include "base/ReportError.h"
#include "net/WTcpConnect.h"
#include "platform/Socket.h"

namespace {
constexpr const char* kStem = "WSocket";
constexpr const char kScheme[] = "http://";
constexpr size_t kSchemeLength = sizeof kScheme - 1;
// Longer than any connect the system keeps trying (about two minutes).
constexpr int kConnectLimitMs = 1 << 30;

// Where the port's colon may stand: after an IPv6 literal's closing bracket.
size_t PortColon(const std::string& authority) {
  size_t from = authority.starts_with("[") ? authority.find(']') : 0;
  return from == std::string::npos ? std::string::npos : authority.find(':', from);
}
}  // namespace

WSocket::WSocket() { StartUp(); }

WSocket::~WSocket() { CloseConnection(); }

ResultCode WSocket::StartUp() {
  if (platform::StartSocketLibrary()) return Success;
  ReportErrorText(kStem, __LINE__, kResultMessages[NetInitSocketError]);
  return NetInitSocketError;
}

void WSocket::SetEndpoint(const char* host, uint16_t port) {
  if (host && std::strlen(host) <= kMaxHostLength) std::strcpy(host_, host);
  port_ = port;
}

ResultCode WSocket::Connect() {
  CloseConnection();
  Failure failure;
  int fd = ConnectTcp(host_, port_, WDeadline(kConnectLimitMs), {}, failure);
  if (fd >= 0 && platform::SetBlocking(fd, true) == 0) {
    socket_ = fd;
    return Success;
  }
  platform::CloseSocket(fd);
  ReportErrorText(kStem, __LINE__, kResultMessages[NetConnectError]);
  return NetConnectError;
}

void WSocket::CloseConnection() {
  // A failed close still releases the descriptor on POSIX; never retry it.
  if (socket_ != -1) platform::CloseSocket(socket_);
  socket_ = -1;
}

ResultCode WSocket::SplitUrl(const char* url, SplitUrlResult& out) {
  if (!url || std::strlen(url) < kSchemeLength || strncasecmp(url, kScheme, kSchemeLength) != 0)
    return DbQueryError;
  std::string rest(url + kSchemeLength);
  size_t slash = rest.find('/');
  std::string authority = rest.substr(0, slash);
  size_t colon = PortColon(authority);
  out = SplitUrlResult{};
  if (colon != std::string::npos) {
    out.host = authority.substr(0, colon);
    out.port = static_cast<uint16_t>(std::atoi(authority.c_str() + colon + 1));
  } else {
    out.host = authority;
    out.port = 80;
  }
  out.path = slash == std::string::npos ? std::string("/") : rest.substr(slash);
  return Success;
}

int WSocket::WaitReady(int32_t socket, int seconds, int kind) {
  return platform::WaitReady(socket, seconds, static_cast<platform::WaitKind>(kind));
}

int WSocket::TimedRecv(int32_t* socket, char* buffer, int32_t length, int32_t flags) {
  return platform::TimedReceive(socket ? *socket : -1, buffer, length, flags, kReceiveWaitSeconds);
}

int WSocket::TimedSend(int32_t* socket, const char* data, int32_t length, int32_t flags) {
  return platform::TimedSend(socket ? *socket : -1, data, length, flags, kSendWaitSeconds);
}
