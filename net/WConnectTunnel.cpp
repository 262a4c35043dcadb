#include "net/WConnectTunnel.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>

#include "platform/ErrorText.h"

namespace {

constexpr size_t kPeekBytes = 2048;

// The index just past the blank line that ends a head, searching from
// `from`; npos while the head goes on. Lines may end in CRLF or LF.
size_t HeadEnd(const std::string& text, size_t from) {
  for (size_t at = text.find('\n', from); at != std::string::npos; at = text.find('\n', at + 1)) {
    if (at + 1 < text.size() && text[at + 1] == '\n') return at + 2;
    if (at + 2 < text.size() && text[at + 1] == '\r' && text[at + 2] == '\n') return at + 3;
  }
  return std::string::npos;
}

class TunnelRequest {
 public:
  TunnelRequest(int fd, const WProxyUrl& proxy, int timeoutMs, const StopCheck& stop)
      : fd_(fd), proxy_(proxy), timeoutMs_(timeoutMs), deadline_(timeoutMs), stop_(stop) {}

  bool Send(const std::string& text);
  // Fails with "proxy <endpoint> <why>".
  bool Fail(const std::string& why, FailureCause cause = FailureCause::Proxy);
  // One answer head, or false with the result's error set.
  bool ReadHead(std::string& head);
  void Refuse(int status, const std::string& reason);
  WTunnelResult& result() { return result_; }

 private:
  bool Wait(platform::SocketWant want, const char* doing);

  int fd_;
  const WProxyUrl& proxy_;
  int timeoutMs_;
  WDeadline deadline_;
  const StopCheck& stop_;
  WTunnelResult result_;
};

bool TunnelRequest::Fail(const std::string& why, FailureCause cause) {
  result_.code = NetConnectError;
  result_.cause = cause;
  result_.errorText = "proxy " + proxy_.Endpoint() + " " + why;
  return false;
}

bool TunnelRequest::Wait(platform::SocketWant want, const char* doing) {
  switch (WaitSocket(fd_, want, deadline_, stop_)) {
    case WaitOutcome::Ready:
      return true;
    case WaitOutcome::TimedOut:
      return Fail(std::string("did not ") + doing + " within " + std::to_string(timeoutMs_) + " ms",
                  FailureCause::Timeout);
    case WaitOutcome::Stopped:
      return Fail("was given up on: stopped during CONNECT", FailureCause::Timeout);
    case WaitOutcome::Failed:
      break;
  }
  return Fail(std::string("could not be waited for: ") + platform::ErrorText(errno));
}

bool TunnelRequest::Send(const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    if (!Wait(platform::SocketWant::Write, "take the CONNECT request")) return false;
    long sent = platform::SendSome(fd_, text.data() + done, text.size() - done);
    if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) continue;
    if (sent <= 0) return Fail(std::string("could not be sent CONNECT: ") + platform::ErrorText(errno));
    done += static_cast<size_t>(sent);
  }
  return true;
}

// Peeks at what has arrived and takes only what belongs to the head, so
// the first bytes of the tunnel stay on the socket.
bool TunnelRequest::ReadHead(std::string& head) {
  head.clear();
  char buffer[kPeekBytes];
  for (;;) {
    if (!Wait(platform::SocketWant::Read, "answer CONNECT")) return false;
    long seen = platform::PeekSome(fd_, buffer, sizeof buffer);
    if (seen < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) continue;
    if (seen < 0) return Fail(std::string("connection failed: ") + platform::ErrorText(errno));
    if (seen == 0)
      return Fail(head.empty() ? "closed the connection without answering CONNECT"
                               : "closed the connection in the middle of its answer to CONNECT");
    size_t before = head.size();
    head.append(buffer, static_cast<size_t>(seen));
    size_t end = HeadEnd(head, before >= 2 ? before - 2 : 0);
    size_t take = end == std::string::npos ? static_cast<size_t>(seen) : end - before;
    head.resize(before + take);
    if (platform::ReceiveSome(fd_, buffer, take) != static_cast<long>(take))
      return Fail("connection failed while reading its answer to CONNECT");
    if (end != std::string::npos) return true;
    if (head.size() > WConnectTunnel::kMaxHeadBytes) return Fail("answered CONNECT with an overlong head");
  }
}

// The proxy's own words, fit for a message: printable and short.
std::string Tamed(const std::string& reason) {
  std::string out = reason.substr(0, 120);
  for (char& c : out)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
  return out;
}

void TunnelRequest::Refuse(int status, const std::string& reason) {
  result_.status = status;
  result_.reason = Tamed(reason);
  Fail("refused CONNECT: " + std::to_string(status) + (reason.empty() ? "" : " " + result_.reason),
       status == 407 ? FailureCause::ProxyAuth : FailureCause::Proxy);
}

// "HTTP/1.x SSS reason": the status, or 0 when the line is not one.
int ParseStatusLine(const std::string& head, std::string& reason) {
  std::string line = head.substr(0, head.find('\n'));
  if (!line.empty() && line.back() == '\r') line.pop_back();
  bool shaped = line.size() >= 12 && line.compare(0, 7, "HTTP/1.") == 0 &&
                std::isdigit(static_cast<unsigned char>(line[7])) && line[8] == ' ' &&
                std::all_of(line.begin() + 9, line.begin() + 12, [](unsigned char c) { return std::isdigit(c); }) &&
                (line.size() == 12 || line[12] == ' ');
  if (!shaped) return 0;
  reason = line.size() > 13 ? line.substr(13) : "";
  return std::stoi(line.substr(9, 3));
}

}  // namespace

std::string WConnectTunnel::RequestText(const WProxyUrl& proxy, const std::string& host, uint16_t port) {
  std::string target = HostPortText(host, port);
  std::string text = "CONNECT " + target + " HTTP/1.1\r\nHost: " + target + "\r\n";
  if (proxy.hasCredentials) text += "Proxy-Authorization: " + proxy.AuthorizationValue() + "\r\n";
  return text + "\r\n";
}

WTunnelResult WConnectTunnel::Open(int fd, const WProxyUrl& proxy, const std::string& host, uint16_t port,
                                   int timeoutMs, const StopCheck& stop) {
  TunnelRequest request(fd, proxy, timeoutMs, stop);
  bool printable = !host.empty() && std::all_of(host.begin(), host.end(), [](unsigned char c) {
    return c > 0x20 && c < 0x7f && c != '/' && c != '@';
  });
  if (!printable) {
    request.Fail("cannot be asked for a tunnel to an invalid host name");
    return request.result();
  }
  if (!request.Send(RequestText(proxy, host, port))) return request.result();
  std::string head;
  int status = 100;
  // Interim answers (1xx) come before the real one.
  while (status >= 100 && status < 200) {
    if (!request.ReadHead(head)) return request.result();
    std::string reason;
    status = ParseStatusLine(head, reason);
    if (status == 0) {
      request.Fail("did not answer CONNECT in HTTP");
      return request.result();
    }
    if (status >= 200 && status < 300) {
      request.result().status = status;
      request.result().reason = reason;
      return request.result();
    }
    if (status >= 300) request.Refuse(status, reason);
  }
  return request.result();
}
