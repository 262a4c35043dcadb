#include "dl/GetFailureCause.h"

FailureCause GetFailureCause(const GetFailure& failure, std::string_view scheme) {
  if (failure.connected) return FailureCause::Refused;  // dropped as the request went out
  if (!failure.permanent) return FailureCause::Refused;
  return scheme == "https" ? FailureCause::Tls : FailureCause::Proxy;
}
