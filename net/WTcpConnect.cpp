#include "net/WTcpConnect.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <utility>

#include "platform/ErrorText.h"
#include "platform/SocketIo.h"

namespace {

Failure FailureOf(int problem) {
  if (problem == ETIMEDOUT) return {FailureCause::Timeout, "no answer in time"};
  if (problem == ECANCELED) return {FailureCause::Timeout, "stopped"};
  std::string text = platform::ErrorText(problem);
  if (!text.empty()) text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
  return {FailureCause::Refused, text};
}

// The attempts in flight and the next address to try. The first attempt to
// connect is handed out; everything else is closed with the object.
class Attempts {
 public:
  Attempts(std::vector<platform::SocketAddress> order, const TcpConnectOptions& options)
      : order_(std::move(order)), options_(options) {}
  ~Attempts() {
    for (const auto& attempt : pending_) platform::CloseSocket(attempt.socket);
  }
  Attempts(const Attempts&) = delete;
  Attempts& operator=(const Attempts&) = delete;

  bool pending() const { return !pending_.empty(); }
  bool more() const { return next_ < order_.size(); }
  int problem() const { return problem_; }
  int winner() const { return winner_; }

  // Starts the next address that can be started; false when none is left.
  bool StartNext() {
    while (more() && winner_ < 0) {
      const platform::SocketAddress& address = order_[next_++];
      int fd = platform::OpenStreamSocketFor(address);
      if (fd < 0) {
        problem_ = errno;
        continue;
      }
      if (options_.receiveBufferBytes > 0) platform::SetReceiveBufferSize(fd, options_.receiveBufferBytes);
      int started = platform::BeginConnect(fd, address);
      if (started == 0) return winner_ = fd, true;
      if (started > 0) return pending_.push_back({fd, platform::SocketWant::Write, false}), true;
      problem_ = errno;
      platform::CloseSocket(fd);
    }
    return false;
  }

  // One wait of at most `waitMs`; true when an attempt ended in it (either way).
  bool WaitOnce(int waitMs) {
    if (platform::WaitAnySocketMs(pending_.data(), pending_.size(), waitMs) < 0) {
      problem_ = errno;
      return false;
    }
    bool ended = false;
    for (auto attempt = pending_.begin(); attempt != pending_.end();) {
      if (!attempt->ready) {
        ++attempt;
        continue;
      }
      ended = true;
      int outcome = platform::ConnectOutcome(attempt->socket);
      if (outcome == 0 && winner_ < 0) {
        winner_ = attempt->socket;
      } else {
        if (outcome != 0) problem_ = outcome;
        platform::CloseSocket(attempt->socket);
      }
      attempt = pending_.erase(attempt);
    }
    return ended;
  }

  int TakeWinner() { return std::exchange(winner_, -1); }

 private:
  std::vector<platform::SocketAddress> order_;
  TcpConnectOptions options_;
  std::vector<platform::SocketPoll> pending_;
  size_t next_ = 0;
  int winner_ = -1;
  int problem_ = EHOSTUNREACH;
};

}  // namespace

std::string BareHost(const std::string& host) {
  if (host.size() >= 2 && host.front() == '[' && host.back() == ']') return host.substr(1, host.size() - 2);
  return host;
}

std::vector<platform::SocketAddress> InterleaveFamilies(const std::vector<platform::SocketAddress>& addresses) {
  if (addresses.empty()) return {};
  bool leadIsIpv6 = addresses.front().isIpv6();
  std::vector<platform::SocketAddress> lead, other, out;
  for (const auto& address : addresses) (address.isIpv6() == leadIsIpv6 ? lead : other).push_back(address);
  for (size_t i = 0; i < std::max(lead.size(), other.size()); ++i) {
    if (i < lead.size()) out.push_back(lead[i]);
    if (i < other.size()) out.push_back(other[i]);
  }
  return out;
}

int ConnectToAny(const std::vector<platform::SocketAddress>& addresses, const WDeadline& deadline,
                 const StopCheck& stop, Failure& failure, const TcpConnectOptions& options) {
  Attempts attempts(InterleaveFamilies(addresses), options);
  int problem = 0;
  while (attempts.winner() < 0) {
    if (!attempts.pending() && !attempts.StartNext()) break;
    if (attempts.winner() >= 0) break;
    if (stop && stop()) {
      problem = ECANCELED;
      break;
    }
    if (deadline.Passed()) {
      problem = ETIMEDOUT;
      break;
    }
    // Company for a slow attempt after the delay, at once after a failure.
    WDeadline nextStart(kAttemptDelayMs);
    bool ended = false;
    while (!ended && attempts.pending() && !nextStart.Passed() && !deadline.Passed() && !(stop && stop()))
      ended = attempts.WaitOnce(std::min({nextStart.RemainingMs(), deadline.RemainingMs(), kWaitSliceMs}));
    if (attempts.winner() < 0 && attempts.more() && (ended || nextStart.Passed())) attempts.StartNext();
  }
  if (attempts.winner() >= 0) return attempts.TakeWinner();
  failure = FailureOf(problem ? problem : attempts.problem());
  return -1;
}

int ConnectTcp(const std::string& host, uint16_t port, const WDeadline& deadline, const StopCheck& stop,
               Failure& failure, const TcpConnectOptions& options) {
  std::string bare = BareHost(host);
  if (bare.empty() || port == 0) {
    failure = {FailureCause::BadInput, "no host and port to connect to"};
    return -1;
  }
  std::vector<platform::SocketAddress> addresses;
  std::string why;
  if (!platform::ResolveStreamAddresses(bare, port, addresses, why)) {
    failure = {FailureCause::Dns, "the name could not be resolved (" + why + ")"};
    return -1;
  }
  return ConnectToAny(addresses, deadline, stop, failure, options);
}
