#include "rpc/SecretCheck.h"

#include <cstddef>

namespace rpc {

bool SecretMatches(std::string_view given, std::string_view secret) {
  // An empty configured secret would let anyone in; it never matches.
  unsigned difference = secret.empty() ? 1u : 0u;
  difference |= static_cast<unsigned>(given.size() ^ secret.size());
  const std::size_t span = given.size() > secret.size() ? given.size() : secret.size();
  for (std::size_t i = 0; i < span; ++i) {
    const unsigned char a = i < given.size() ? static_cast<unsigned char>(given[i]) : 0;
    const unsigned char b = i < secret.size() ? static_cast<unsigned char>(secret[i]) : 0;
    difference |= static_cast<unsigned>(a ^ b);
  }
  // volatile keeps the compiler from turning the loop into an early exit.
  volatile unsigned result = difference;
  return result == 0;
}

bool TokenOf(std::string_view parameter, std::string_view& token) {
  constexpr std::string_view kPrefix = "token:";
  if (parameter.substr(0, kPrefix.size()) != kPrefix) return false;
  token = parameter.substr(kPrefix.size());
  return true;
}

}  // namespace rpc
