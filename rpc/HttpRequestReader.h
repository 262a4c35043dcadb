// Reads HTTP/1.1 requests from the bytes a connection delivers, in whatever
// pieces they come: the head (request line and header fields) and a body of
// the length Content-Length gives. Every part input can grow has a cap: the
// head, the header count and the body; a request over one fails with the
// status to answer (431, 413) before its body is even received. Never
// touches a socket, so tests feed it whole, byte by byte or cut anywhere.
#ifndef VELMORA_RPC_HTTPREQUESTREADER_H
#define VELMORA_RPC_HTTPREQUESTREADER_H

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace rpc {

struct HttpRequest {
  std::string method;
  std::string target;
  std::string version;
  // Field names in lower case, values trimmed, in the order received.
  std::vector<std::pair<std::string, std::string>> headers;
  std::string body;

  // The first field of that lower-case name, or empty.
  std::string Header(std::string_view lowerName) const;
  // HTTP/1.1 keeps the connection unless it says close; 1.0 only with keep-alive.
  bool KeepAlive() const;
};

class HttpRequestReader {
 public:
  static constexpr std::size_t kDefaultBodyCap = 1024 * 1024;
  static constexpr std::size_t kHeadCap = 16 * 1024;
  static constexpr std::size_t kHeaderCountCap = 100;

  enum class State { NeedMore, Ready, Failed };

  explicit HttpRequestReader(std::size_t bodyCap = kDefaultBodyCap) : bodyCap(bodyCap) {}

  // Adds bytes and says where the request at the front stands. After Failed
  // the reader stays failed: the connection is to be answered and closed.
  State Feed(std::string_view bytes);
  // The request Feed answered Ready for; what followed it stays queued, and
  // the next Feed (with no bytes, if need be) looks at it.
  HttpRequest Take();
  // What came after the request that switched protocols.
  std::string TakeRest();

  int failureStatus() const { return status; }
  const std::string& failureText() const { return reason; }

 private:
  State Advance();
  State Fail(int code, std::string text);
  bool ParseHead(std::string_view head);

  std::size_t bodyCap;
  std::string buffer;
  HttpRequest current;
  bool headDone = false;
  std::size_t headLength = 0;
  std::size_t bodyLength = 0;
  State state = State::NeedMore;
  int status = 0;
  std::string reason;
};

}  // namespace rpc

#endif
