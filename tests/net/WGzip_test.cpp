#include "net/WGzip.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include "tests/net/support/NetTestSupport.h"

namespace {

struct Inflated {
  int result;
  std::string body;
};

Inflated Inflate(const std::string& member) {
  WBlockList blocks;
  BodyBytes body;
  int result = InflateWithTrailerSize(blocks, member.data(), member.size(), &body);
  return {result, std::string(body.data ? body.data : "", body.length)};
}

std::string ReadToClose(const std::string& initial, std::vector<PeerStep> peer) {
  SetScriptedPeer(std::move(peer));
  static int32_t socket = -1;
  WBodySource source{&ScriptedRecv, &socket, nullptr, 0};
  WBlockList blocks;
  BodyBytes body = ReadToCloseAndInflate(blocks, source, initial.data(), initial.size());
  return body.data ? std::string(body.data, body.length) : "<none>";
}

TEST(InflateWithTrailerSize, PlainMemberInflatesExactly) {
  const std::string text = PatternBytes(5000) + std::string(3000, 'a');
  Inflated out = Inflate(MakeGzip(text));
  EXPECT_EQ(out.result, 0);
  EXPECT_EQ(out.body, text);
}

TEST(InflateWithTrailerSize, FileNameFieldIsNotSkippedAndFails) {
  Inflated out = Inflate(MakeGzip("hello hello hello", "hello.txt"));
  EXPECT_LT(out.result, 0);
  EXPECT_EQ(out.body, "");
}

TEST(InflateWithTrailerSize, TrailerSizesThatCannotBeTrusted) {
  const std::string member = MakeGzip("some text to pack");
  EXPECT_EQ(Inflate(MakeGzip("")).result, NetReadError);                     // ISIZE 0
  EXPECT_EQ(Inflate(WithTrailerSize(member, 0xFFFFFFFFu)).result, MallocError);
  // Far beyond what these few bytes can inflate to: refused before any
  // allocation of that size.
  EXPECT_EQ(Inflate(WithTrailerSize(member, 0x7FFFFFFFu)).result, NetReadError);
  // Plausible but wrong either way: inflation fails cleanly.
  EXPECT_EQ(Inflate(WithTrailerSize(member, 5)).result, Z_BUF_ERROR);
  EXPECT_EQ(Inflate(WithTrailerSize(member, 100)).result, Z_DATA_ERROR);
}

TEST(InflateWithTrailerSize, ShortOrCutMembersFailWithoutReadingPastTheData) {
  const std::string member = MakeGzip(PatternBytes(4000));
  EXPECT_EQ(Inflate("").result, NetReadError);
  EXPECT_EQ(Inflate(member.substr(0, 3)).result, NetReadError);
  std::string cut = member.substr(0, member.size() / 2) + member.substr(member.size() - 4);
  EXPECT_LT(Inflate(cut).result, 0);
}

TEST(InflateGzipMember, ReportsProducedSize) {
  const std::string member = MakeGzip("abcabcabc");
  char out[32];
  size_t size = sizeof out;
  EXPECT_EQ(InflateGzipMember(&size, out, member.data(), member.size()), 0);
  EXPECT_EQ(std::string(out, size), "abcabcabc");
  size = 4;
  EXPECT_EQ(InflateGzipMember(&size, out, member.data(), member.size()), Z_BUF_ERROR);
}

TEST(ReadToCloseAndInflate, ReadsUntilClosedThenInflates) {
  const std::string text = PatternBytes(70000);
  const std::string member = MakeGzip(text);
  EXPECT_EQ(ReadToClose(member.substr(0, 20), {{member.substr(20, 1000)}, {member.substr(1020)}}), text);
  EXPECT_EQ(ReadToClose("", {}), "<none>");
  EXPECT_EQ(ReadToClose(member, {Fail(), {"never read"}}), text);
}

TEST(ReadToCloseAndInflate, SizesOutsideTheLimitGiveNoBody) {
  const std::string big(1048576, 'z');
  EXPECT_EQ(ReadToClose(MakeGzip(big), {}), "<none>");
  const std::string justUnder(1048575, 'z');
  EXPECT_EQ(ReadToClose(MakeGzip(justUnder), {}).size(), justUnder.size());
}

}  // namespace
