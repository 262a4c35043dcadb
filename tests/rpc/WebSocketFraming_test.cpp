#include "rpc/WebSocketFraming.h"

#include <gtest/gtest.h>

namespace {

using rpc::WebSocketReader;
using Event = WebSocketReader::Event;

// A frame as a client sends it: masked with `mask`.
std::string ClientFrame(uint8_t first, const std::string& payload, const char mask[4] = "abcd") {
  std::string frame(1, static_cast<char>(first));
  if (payload.size() < 126) {
    frame.push_back(static_cast<char>(0x80 | payload.size()));
  } else if (payload.size() <= 0xffff) {
    frame.push_back(static_cast<char>(0x80 | 126));
    frame.push_back(static_cast<char>(payload.size() >> 8));
    frame.push_back(static_cast<char>(payload.size() & 0xff));
  } else {
    frame.push_back(static_cast<char>(0x80 | 127));
    for (int shift = 56; shift >= 0; shift -= 8) frame.push_back(static_cast<char>((payload.size() >> shift) & 0xff));
  }
  frame.append(mask, 4);
  for (std::size_t i = 0; i < payload.size(); ++i) frame.push_back(static_cast<char>(payload[i] ^ mask[i % 4]));
  return frame;
}

TEST(WebSocketFraming, AcceptKeyOfTheProtocolExample) {
  EXPECT_EQ(rpc::WebSocketAcceptKey("dGhlIHNhbXBsZSBub25jZQ=="), "s3pPLMBiTxaQ9kYGzzhZRbK+xOo=");
}

TEST(WebSocketFraming, ServerFramesCarryTheLengthInItsThreeSizes) {
  EXPECT_EQ(rpc::WebSocketFrame(rpc::kWsText, "hi"), std::string("\x81\x02hi", 4));
  const std::string mid = rpc::WebSocketFrame(rpc::kWsText, std::string(300, 'x'));
  EXPECT_EQ(mid.substr(0, 4), std::string("\x81\x7e\x01\x2c", 4));
  const std::string big = rpc::WebSocketFrame(rpc::kWsText, std::string(70000, 'x'));
  EXPECT_EQ(big.size(), 70000u + 10);
  EXPECT_EQ(static_cast<uint8_t>(big[1]), 127);
}

TEST(WebSocketFraming, MaskedMessagesAreReadWholeOrCutAnywhere) {
  const std::string payload(200, 'q');
  const std::string bytes = ClientFrame(0x81, payload);
  for (std::size_t cut = 0; cut < bytes.size(); ++cut) {
    WebSocketReader reader;
    reader.Feed(bytes.substr(0, cut));
    ASSERT_EQ(reader.Next(), Event::NeedMore) << cut;
    reader.Feed(bytes.substr(cut));
    ASSERT_EQ(reader.Next(), Event::Message) << cut;
    EXPECT_EQ(reader.payload(), payload);
  }
}

TEST(WebSocketFraming, FragmentsJoinAndControlFramesInterleave) {
  WebSocketReader reader;
  reader.Feed(ClientFrame(0x01, "{\"a\":") + ClientFrame(0x89, "p") + ClientFrame(0x80, "1}"));
  EXPECT_EQ(reader.Next(), Event::Ping);
  EXPECT_EQ(reader.payload(), "p");
  EXPECT_EQ(reader.Next(), Event::Message);
  EXPECT_EQ(reader.payload(), "{\"a\":1}");
  reader.Feed(ClientFrame(0x8a, "") + ClientFrame(0x88, std::string("\x03\xe8", 2)));
  EXPECT_EQ(reader.Next(), Event::Close);
}

TEST(WebSocketFraming, ProtocolFaultsAndOversizeMessagesFail) {
  WebSocketReader unmasked;
  unmasked.Feed(std::string("\x81\x02hi", 4));
  EXPECT_EQ(unmasked.Next(), Event::Failed);
  EXPECT_EQ(unmasked.failureCode(), 1002);

  WebSocketReader small(100);
  // Refused on the header alone: the payload never has to arrive.
  std::string header = ClientFrame(0x81, std::string(101, 'x')).substr(0, 8);
  small.Feed(header);
  EXPECT_EQ(small.Next(), Event::Failed);
  EXPECT_EQ(small.failureCode(), 1009);

  WebSocketReader fragments(100);
  fragments.Feed(ClientFrame(0x01, std::string(60, 'x')) + ClientFrame(0x80, std::string(60, 'x')));
  EXPECT_EQ(fragments.Next(), Event::Failed);
  EXPECT_EQ(fragments.failureCode(), 1009);

  WebSocketReader stray;
  stray.Feed(ClientFrame(0x80, "x"));
  EXPECT_EQ(stray.Next(), Event::Failed);

  WebSocketReader longPing;
  longPing.Feed(ClientFrame(0x89, std::string(126, 'x')));
  EXPECT_EQ(longPing.Next(), Event::Failed);

  WebSocketReader reserved;
  reserved.Feed(ClientFrame(0xC1, "x"));
  EXPECT_EQ(reserved.Next(), Event::Failed);
}

}  // namespace
