// WebSocket framing (RFC 6455) for the server side: the handshake key, the
// frames a client sends (always masked, possibly fragmented) read into
// whole messages, and the unmasked frames the server sends. A message larger
// than the cap, an unmasked client frame, a control frame over 125 bytes or
// a reserved bit set fails the connection with the close code to send.
// Never touches a socket.
#ifndef VELMORA_RPC_WEBSOCKETFRAMING_H
#define VELMORA_RPC_WEBSOCKETFRAMING_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace rpc {

// Sec-WebSocket-Accept for the client's Sec-WebSocket-Key.
std::string WebSocketAcceptKey(std::string_view clientKey);

enum WebSocketOpcode : uint8_t { kWsContinuation = 0, kWsText = 1, kWsBinary = 2, kWsClose = 8, kWsPing = 9, kWsPong = 10 };

// One frame as the server sends it: final, unmasked.
std::string WebSocketFrame(uint8_t opcode, std::string_view payload);

class WebSocketReader {
 public:
  static constexpr std::size_t kDefaultMessageCap = 1024 * 1024;

  enum class Event { NeedMore, Message, Ping, Close, Failed };

  explicit WebSocketReader(std::size_t messageCap = kDefaultMessageCap) : cap(messageCap) {}

  void Feed(std::string_view bytes) { buffer.append(bytes); }
  // The next complete thing in what was fed; its payload in payload().
  // Pongs are read and skipped.
  Event Next();
  const std::string& payload() const { return current; }
  // For Failed: the close status to send (1002 protocol, 1009 too big).
  uint16_t failureCode() const { return code; }

 private:
  Event Fail(uint16_t closeCode);

  std::size_t cap;
  std::string buffer;
  std::string message;  // fragments of a message so far
  bool inMessage = false;
  std::string current;
  uint16_t code = 0;
  bool failed = false;
};

}  // namespace rpc

#endif
