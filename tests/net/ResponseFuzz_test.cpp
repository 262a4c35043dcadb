// Server answers through the fuzz entry, so every build checks what the
// fuzzer checks: no crash, no hang, no working buffer kept, and a success
// only with exactly the body the answer declares. The seed corpus is
// replayed as it is, then mangled: each round flips, drops, duplicates or
// inserts a few bytes and picks new read sizes.
#include <gtest/gtest.h>

#include <random>

#include "tests/net/support/DeclaredBody.h"
#include "tests/net/support/NetTestSupport.h"
#include "tests/support/SourceFiles.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

void Replay(const std::string& input) {
  LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(input.data()), input.size());
}

std::string Mutate(std::string bytes, std::mt19937& random) {
  int edits = 1 + static_cast<int>(random() % 4);
  for (int i = 0; i < edits && bytes.size() > 2; ++i) {
    size_t at = 2 + random() % (bytes.size() - 2);
    switch (random() % 4) {
      case 0: bytes[at] = static_cast<char>(random()); break;
      case 1: bytes.erase(at, 1 + random() % 8); break;
      case 2: bytes.insert(at, bytes.substr(at, 1 + random() % 16)); break;
      default: bytes.insert(at, 1, "0123456789abcdefABCDEF\r\n:; -\t\x00"[random() % 31]); break;
    }
  }
  bytes[0] = static_cast<char>(random());
  bytes[1] = static_cast<char>(random());
  return bytes;
}

std::vector<std::string> Corpus() {
  std::vector<std::string> seeds;
  FeedSourceFiles("tests/net/fuzz/corpus", [&](const std::string& bytes) { seeds.push_back(bytes); });
  return seeds;
}

TEST(ResponseFuzz, SeedCorpusHoldsTheChecks) {
  const std::vector<std::string> seeds = Corpus();
  ASSERT_GE(seeds.size(), 20u);
  for (const std::string& seed : seeds) {
    Replay(seed);
    // Every seed is a whole answer in some read pattern: the same answer in
    // one read and one byte at a time gives the same verdict.
    std::string whole = seed, bytewise = seed;
    whole[0] = 96;
    bytewise[0] = 0;
    Replay(whole);
    Replay(bytewise);
  }
}

TEST(ResponseFuzz, MangledAnswersFailCleanlyOrDeliverTheDeclaredBody) {
  const std::vector<std::string> seeds = Corpus();
  ASSERT_FALSE(seeds.empty());
  std::mt19937 random(20240601);
  for (int round = 0; round < 4000; ++round) Replay(Mutate(seeds[round % seeds.size()], random));
}

TEST(ResponseFuzz, TheDeclaredBodyCheckItself) {
  EXPECT_EQ(DeclaredBodyOf("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nokEXTRA").body, "ok");
  EXPECT_EQ(DeclaredBodyOf("HTTP/1.1 200 OK\r\nContent-Length: 9\r\n\r\nok").kind, DeclaredBody::Invalid);
  EXPECT_EQ(DeclaredBodyOf("HTTP/1.1 200 OK\nTransfer-Encoding: chunked\n\n2;x\nok\n0\n\n").body, "ok");
  EXPECT_EQ(DeclaredBodyOf("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nok\r\n").kind,
            DeclaredBody::Invalid);
  EXPECT_EQ(DeclaredBodyOf("HTTP/1.1 200 OK\r\nContent-Length: 1\r\nContent-Length: 2\r\n\r\nok").kind,
            DeclaredBody::Invalid);
  EXPECT_EQ(DeclaredBodyOf(std::string("HTTP/1.1 200 OK\r\nX: \0\r\n\r\n", 25)).kind, DeclaredBody::Invalid);
  EXPECT_EQ(DeclaredBodyOf("HTTP/1.1 200 OK\r\nContent-Encoding: gzip\r\n\r\n" + MakeGzip("z")).body, "z");
  EXPECT_EQ(DeclaredBodyOf("HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 204 No\r\nContent-Length: 5\r\n\r\n").body, "");
  EXPECT_EQ(DeclaredBodyOf("HTTP/1.1 200\r\n\r\nx").kind, DeclaredBody::Invalid);
  EXPECT_EQ(DeclaredBodyOf("HTTP/1.1 200 OK\r\n folded\r\n\r\nx").kind, DeclaredBody::Unknown);
}

}  // namespace
