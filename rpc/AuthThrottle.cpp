#include "rpc/AuthThrottle.h"

namespace rpc {

int64_t AuthThrottle::WaitMs(const std::string& address) const {
  const auto found = records.find(address);
  if (found == records.end()) return 0;
  const int64_t left = found->second.until - now();
  return left > 0 ? left : 0;
}

int64_t AuthThrottle::Failed(const std::string& address) {
  if (records.find(address) == records.end()) MakeRoom();
  Record& record = records[address];
  ++record.failures;
  int64_t delay = kFirstDelayMs;
  for (unsigned i = 1; i < record.failures && delay < kMaxDelayMs; ++i) delay *= 2;
  if (delay > kMaxDelayMs) delay = kMaxDelayMs;
  record.until = now() + delay;
  return delay;
}

void AuthThrottle::Succeeded(const std::string& address) { records.erase(address); }

unsigned AuthThrottle::Failures(const std::string& address) const {
  const auto found = records.find(address);
  return found == records.end() ? 0 : found->second.failures;
}

// Forgets addresses whose delay ran out; if all are still waiting, the one
// that waits least goes, so the table never passes its cap.
void AuthThrottle::MakeRoom() {
  if (records.size() < kMaxAddresses) return;
  const int64_t at = now();
  for (auto it = records.begin(); it != records.end();) {
    it = it->second.until <= at ? records.erase(it) : std::next(it);
  }
  if (records.size() < kMaxAddresses) return;
  auto soonest = records.begin();
  for (auto it = records.begin(); it != records.end(); ++it) {
    if (it->second.until < soonest->second.until) soonest = it;
  }
  records.erase(soonest);
}

}  // namespace rpc
