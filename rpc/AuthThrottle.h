// Slows down guessing: each wrong secret from one address doubles how long
// that address waits before its next call is looked at (from kFirstDelayMs
// up to kMaxDelayMs); a right secret forgives. Addresses are kept in a table
// of bounded size so a flood of peers cannot grow it without end. Time comes
// from the clock handed in (milliseconds), so tests move it themselves.
// Used by the server's one thread.
#ifndef VELMORA_RPC_AUTHTHROTTLE_H
#define VELMORA_RPC_AUTHTHROTTLE_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>

namespace rpc {

class AuthThrottle {
 public:
  static constexpr int64_t kFirstDelayMs = 250;
  static constexpr int64_t kMaxDelayMs = 60 * 1000;
  static constexpr std::size_t kMaxAddresses = 4096;

  explicit AuthThrottle(std::function<int64_t()> nowMs) : now(std::move(nowMs)) {}

  // How long calls from `address` still have to wait; 0 when they may go on.
  int64_t WaitMs(const std::string& address) const;
  // Records a wrong secret; answers the delay now imposed on the address.
  int64_t Failed(const std::string& address);
  // Records a right secret: the address starts afresh.
  void Succeeded(const std::string& address);
  // Wrong secrets in a row from the address.
  unsigned Failures(const std::string& address) const;

 private:
  struct Record {
    unsigned failures = 0;
    int64_t until = 0;
  };
  void MakeRoom();

  std::function<int64_t()> now;
  std::unordered_map<std::string, Record> records;
};

}  // namespace rpc

#endif
