// The Content-Range of a 206 or 416 answer: "bytes first-last/complete",
// "bytes first-last/*" or "bytes */complete".
#ifndef VELMORA_NET_CONTENTRANGE_H
#define VELMORA_NET_CONTENTRANGE_H

#include <cstdint>
#include <optional>
#include <string_view>

struct ContentRange {
  int64_t first = -1;     // -1 for "*"
  int64_t last = -1;
  int64_t complete = -1;  // -1 when the server does not say
};

// nullopt for anything else (including last < first and overflowing numbers).
std::optional<ContentRange> ParseContentRange(std::string_view value);

#endif
