// One message from the browser extension, read from its JSON text:
//   {"type":"ping"}
//   {"type":"add","url":...,"filename":...,"referrer":...,"cookies":...,
//    "userAgent":...,"fileSize":...}
// Every field is checked here, so nothing that could split a request header
// (line breaks in cookies, a referrer or the URL) or leave the download
// folder (a file name with a path) gets any further.
#ifndef VELMORA_NATIVEHOST_HOSTREQUEST_H
#define VELMORA_NATIVEHOST_HOSTREQUEST_H

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace nativehost {

struct LinkRequest {
  std::string url;
  std::string name;  // a bare file name, or empty to let the window choose
  std::string referrer;
  std::string cookies;
  std::string userAgent;
  std::optional<std::uint64_t> fileSize;  // absent when the browser does not know
};

enum class RequestKind { Ping, Add };

struct HostRequest {
  RequestKind kind = RequestKind::Ping;
  LinkRequest link;  // for Add
};

struct ParsedRequest {
  std::optional<HostRequest> request;
  std::string error;  // why there is no request
};

// Nesting deeper than this is refused before it costs anything.
inline constexpr int kMaxJsonDepth = 32;

ParsedRequest ParseHostRequest(std::string_view json);

// The last component of a browser's suggested file name, without control
// characters; empty when nothing usable is left.
std::string SafeFileName(std::string_view suggested);

}  // namespace nativehost

#endif
