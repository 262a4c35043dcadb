// Mangled server answers must end in a result, never in a crash, a hang or a
// read outside a buffer (the sanitizer build runs this too). Seeds are valid
// answers of every body kind; each round flips, drops, duplicates or inserts
// a few bytes and splits the answer into reads at random points.
#include <gtest/gtest.h>

#include <random>

#include "net/WHttp.h"
#include "tests/net/support/NetTestSupport.h"

namespace {

std::vector<std::string> Seeds() {
  const std::string packed = MakeGzip("some text, some text, some text");
  return {
      "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhello",
      "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n" + MakeChunked({"abc", "defgh", "i"}),
      "HTTP/1.1 200 OK\r\nContent-Encoding: gzip\r\nContent-Length: " + std::to_string(packed.size()) +
          "\r\n\r\n" + packed,
      "HTTP/1.1 200 OK\r\nContent-Encoding: gzip\r\nTransfer-Encoding: chunked\r\n\r\n" +
          MakeChunked({packed.substr(0, 9), packed.substr(9)}),
      "HTTP/1.1 200 OK\r\nContent-Encoding: gzip\r\n\r\n" + packed,
      "HTTP/1.1 302 Found\r\nLocation: http://127.0.0.1:1/\r\n\r\n",
  };
}

std::string Mutate(std::string bytes, std::mt19937& random) {
  int edits = 1 + static_cast<int>(random() % 4);
  for (int i = 0; i < edits && !bytes.empty(); ++i) {
    size_t at = random() % bytes.size();
    switch (random() % 4) {
      case 0: bytes[at] = static_cast<char>(random()); break;
      case 1: bytes.erase(at, 1 + random() % 8); break;
      case 2: bytes.insert(at, bytes.substr(at, 1 + random() % 16)); break;
      default: bytes.insert(at, 1, "0123456789abcdefABCDEF\r\n:; -"[random() % 29]); break;
    }
  }
  return bytes;
}

std::vector<PeerStep> SplitRandomly(const std::string& bytes, std::mt19937& random) {
  std::vector<PeerStep> steps;
  for (size_t at = 0; at < bytes.size();) {
    size_t n = 1 + random() % 64;
    steps.push_back({bytes.substr(at, n)});
    if (random() % 8 == 0) steps.push_back(Fail());
    at += n;
  }
  return steps;
}

TEST(ResponseFuzz, MangledAnswersFailCleanly) {
  std::mt19937 random(20240601);
  const std::vector<std::string> seeds = Seeds();
  for (int round = 0; round < 3000; ++round) {
    std::string answer = Mutate(seeds[round % seeds.size()], random);
    SetScriptedPeer(SplitRandomly(answer, random));
    WHttp http;
    http.SetReadPause(0);
    http.recvFn = &ScriptedRecv;
    http.sendFn = [](int32_t*, const char*, int32_t length, int32_t) { return static_cast<int>(length); };
    char buffer[256];
    http.ExchangeToBuffer("GET / HTTP/1.1\r\n\r\n", 18, buffer, sizeof buffer);
    EXPECT_EQ(http.headBlocks.count() + http.chunkBlocks.count() + http.decodeBlocks.count(), 0u);
  }
}

}  // namespace
