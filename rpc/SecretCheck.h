// Compares the secret a caller sent with the configured one without letting
// the time it takes tell how much of it was right: every byte of the longer
// of the two is looked at whatever differs, and no branch depends on the
// bytes. Only the length of what the caller sent (which the caller knows)
// shapes the time.
#ifndef VELMORA_RPC_SECRETCHECK_H
#define VELMORA_RPC_SECRETCHECK_H

#include <string_view>

namespace rpc {

bool SecretMatches(std::string_view given, std::string_view secret);

// The first parameter of a call as clients send it: "token:SECRET". The
// part after the prefix, or false when `parameter` does not carry one.
bool TokenOf(std::string_view parameter, std::string_view& token);

}  // namespace rpc

#endif
