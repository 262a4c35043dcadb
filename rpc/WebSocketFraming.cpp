#include "rpc/WebSocketFraming.h"

#include <openssl/sha.h>

#include "util/Base64Encode.h"

namespace rpc {

std::string WebSocketAcceptKey(std::string_view clientKey) {
  const std::string joined = std::string(clientKey) + "258EAFA5-E914-47DA-95CA-C5AB0DC85B11";
  unsigned char digest[SHA_DIGEST_LENGTH];
  SHA1(reinterpret_cast<const unsigned char*>(joined.data()), joined.size(), digest);
  return Base64Encode(std::string(reinterpret_cast<const char*>(digest), sizeof digest));
}

std::string WebSocketFrame(uint8_t opcode, std::string_view payload) {
  std::string frame;
  frame.push_back(static_cast<char>(0x80 | opcode));
  const uint64_t length = payload.size();
  if (length < 126) {
    frame.push_back(static_cast<char>(length));
  } else if (length <= 0xffff) {
    frame.push_back(static_cast<char>(126));
    frame.push_back(static_cast<char>(length >> 8));
    frame.push_back(static_cast<char>(length & 0xff));
  } else {
    frame.push_back(static_cast<char>(127));
    for (int shift = 56; shift >= 0; shift -= 8) frame.push_back(static_cast<char>((length >> shift) & 0xff));
  }
  frame.append(payload);
  return frame;
}

WebSocketReader::Event WebSocketReader::Fail(uint16_t closeCode) {
  failed = true;
  code = closeCode;
  return Event::Failed;
}

WebSocketReader::Event WebSocketReader::Next() {
  while (!failed) {
    if (buffer.size() < 2) return Event::NeedMore;
    const auto byte = [this](std::size_t i) { return static_cast<uint8_t>(buffer[i]); };
    const bool final = byte(0) & 0x80;
    const uint8_t opcode = byte(0) & 0x0f;
    if (byte(0) & 0x70) return Fail(1002);
    if (!(byte(1) & 0x80)) return Fail(1002);  // clients must mask
    uint64_t length = byte(1) & 0x7f;
    std::size_t at = 2;
    if (length == 126) {
      if (buffer.size() < 4) return Event::NeedMore;
      length = (uint64_t{byte(2)} << 8) | byte(3);
      at = 4;
    } else if (length == 127) {
      if (buffer.size() < 10) return Event::NeedMore;
      length = 0;
      for (std::size_t i = 2; i < 10; ++i) length = (length << 8) | byte(i);
      at = 10;
    }
    const bool control = opcode >= 8;
    if (control && (length > 125 || !final)) return Fail(1002);
    // Checked before the payload arrives, so an oversized frame never fills memory.
    if (!control && length + message.size() > cap) return Fail(1009);
    if (buffer.size() < at + 4 + length) return Event::NeedMore;
    const std::size_t maskAt = at;
    std::string data = buffer.substr(maskAt + 4, static_cast<std::size_t>(length));
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(data[i] ^ buffer[maskAt + (i % 4)]);
    buffer.erase(0, maskAt + 4 + static_cast<std::size_t>(length));
    if (opcode == kWsClose) return current = data, Event::Close;
    if (opcode == kWsPing) return current = data, Event::Ping;
    if (opcode == kWsPong) continue;
    if (opcode == kWsContinuation) {
      if (!inMessage) return Fail(1002);
    } else if (opcode == kWsText || opcode == kWsBinary) {
      if (inMessage) return Fail(1002);
      inMessage = true;
    } else {
      return Fail(1002);
    }
    message += data;
    if (!final) continue;
    current = std::move(message);
    message.clear();
    inMessage = false;
    return Event::Message;
  }
  return Event::Failed;
}

}  // namespace rpc
