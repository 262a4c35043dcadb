#include "net/ContentDecoder.h"
#include "net/ContentDecoderChain.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include "tests/net/support/NetTestSupport.h"

namespace {

struct Decoded {
  bool ok = false;
  std::string body;
  std::string error;
};

// Feeds `coded` in pieces cut at `cuts`, then finishes.
Decoded Decode(const std::string& coding, const std::string& coded, const std::vector<size_t>& cuts = {},
               uint64_t limit = ContentDecoder::kDefaultOutputLimit) {
  auto decoder = ContentDecoder::ForCoding(coding, limit);
  Decoded out;
  if (!decoder) return out;
  auto sink = [&](const char* data, size_t size) {
    out.body.append(data, size);
    return true;
  };
  size_t at = 0;
  out.ok = true;
  for (size_t cut : cuts) {
    out.ok = out.ok && decoder->Feed(coded.data() + at, cut - at, sink);
    at = cut;
  }
  out.ok = out.ok && decoder->Feed(coded.data() + at, coded.size() - at, sink) && decoder->Finish(sink);
  out.error = decoder->errorText();
  return out;
}

// The same outcome whole, one byte at a time, and cut in two anywhere.
void ExpectEverySplit(const std::string& coding, const std::string& coded, bool ok, const std::string& body) {
  std::vector<size_t> bytes;
  for (size_t i = 1; i < coded.size(); ++i) bytes.push_back(i);
  for (const auto& cuts : {std::vector<size_t>{}, bytes}) {
    Decoded d = Decode(coding, coded, cuts);
    EXPECT_EQ(d.ok, ok) << coding << " in " << cuts.size() + 1 << " pieces: " << d.error;
    if (ok) {
      EXPECT_EQ(d.body, body);
    }
  }
  for (size_t i = 0; i <= coded.size(); ++i) {
    Decoded d = Decode(coding, coded, {i});
    ASSERT_EQ(d.ok, ok) << coding << " cut at " << i << ": " << d.error;
    if (ok) {
      ASSERT_EQ(d.body, body) << coding << " cut at " << i;
    }
  }
}

TEST(ContentDecoder, CodingNames) {
  for (const char* name : {"identity", "none", "NONE", "Identity", "gzip", "x-gzip", "deflate", "GZIP", "Deflate", "X-Gzip"})
    EXPECT_NE(ContentDecoder::ForCoding(name), nullptr) << name;
  for (const char* name : {"br", "compress", "zstd", "", "gzip ", "chunked", "nones"})
    EXPECT_EQ(ContentDecoder::ForCoding(name), nullptr) << name;
}

TEST(ContentDecoder, NoCodingIsIdentityOrNoneInAnyCase) {
  for (const char* name : {"identity", "IDENTITY", "none", "None"}) EXPECT_TRUE(IsNoContentCoding(name)) << name;
  for (const char* name : {"", "gzip", "nonee", "identity;q=1"}) EXPECT_FALSE(IsNoContentCoding(name)) << name;
}

TEST(ContentDecoder, IdentityPassesBytesThrough) {
  ExpectEverySplit("identity", std::string("a\0b\r\nc", 6), true, std::string("a\0b\r\nc", 6));
}

TEST(ContentDecoder, GzipMembersWithEveryHeaderField) {
  const std::string text = "header fields " + PatternBytes(300);
  const std::vector<GzipFields> variants = {
      {}, {"", "file.txt", "", false}, {"XY\x02\x00zz", "", "", false}, {"", "", "a comment", false},
      {"", "", "", true}, {"ex", "n", "c", true},
  };
  for (const GzipFields& fields : variants) ExpectEverySplit("gzip", MakeGzipMember(text, fields), true, text);
}

TEST(ContentDecoder, GzipMultiMemberStreamsDecodeEveryMember) {
  const std::string wire = MakeGzip("first member, ") + MakeGzipMember("", {}) +
                           MakeGzipMember("second, ", {"e", "n", "c", true}) + MakeGzip(PatternBytes(100));
  ExpectEverySplit("gzip", wire, true, "first member, second, " + PatternBytes(100));
}

TEST(ContentDecoder, GzipChecksItsMembers) {
  const std::string member = MakeGzip("checked content");
  std::string badCrc = member;
  badCrc[badCrc.size() - 8] ^= 1;
  EXPECT_FALSE(Decode("gzip", badCrc).ok);
  EXPECT_NE(Decode("gzip", badCrc).error.find("CRC"), std::string::npos);
  EXPECT_FALSE(Decode("gzip", WithTrailerSize(member, 3)).ok);
  std::string badHeaderCrc = MakeGzipMember("x", {"", "name", "", true});
  badHeaderCrc[15] ^= 1;
  EXPECT_FALSE(Decode("gzip", badHeaderCrc).ok);
  std::string reserved = member;
  reserved[3] = static_cast<char>(0x20);
  EXPECT_FALSE(Decode("gzip", reserved).ok);
  std::string method = member;
  method[2] = 7;
  EXPECT_FALSE(Decode("gzip", method).ok);
  EXPECT_FALSE(Decode("gzip", "plain text, not gzip").ok);
  // A cut anywhere inside a member is never a clean end.
  for (size_t n = 1; n < member.size(); ++n) EXPECT_FALSE(Decode("gzip", member.substr(0, n)).ok) << n;
  EXPECT_FALSE(Decode("gzip", member + "junk").ok);
  EXPECT_FALSE(Decode("gzip", member + "\x1f").ok);
  // No bytes at all is an empty body.
  EXPECT_TRUE(Decode("gzip", "").ok);
}

TEST(ContentDecoder, DeflateZlibWrappedAndRaw) {
  const std::string text = "deflated " + PatternBytes(2000) + std::string(3000, 'd');
  ExpectEverySplit("deflate", MakeDeflate(text, true), true, text);
  ExpectEverySplit("deflate", MakeDeflate(text, false), true, text);
  ExpectEverySplit("deflate", MakeDeflate("", true), true, "");
  std::string badAdler = MakeDeflate(text, true);
  badAdler.back() ^= 1;
  EXPECT_FALSE(Decode("deflate", badAdler).ok);
  const std::string wrapped = MakeDeflate(text, true);
  EXPECT_FALSE(Decode("deflate", wrapped.substr(0, wrapped.size() - 5)).ok);
  EXPECT_FALSE(Decode("deflate", wrapped.substr(0, 1)).ok);
  EXPECT_FALSE(Decode("deflate", wrapped + "x").ok);
  EXPECT_TRUE(Decode("deflate", "").ok);
}

TEST(ContentDecoder, OutputCapStopsABomb) {
  const std::string bomb = MakeGzip(std::string(8 << 20, '\0'));
  ASSERT_LT(bomb.size(), 20000u);
  Decoded capped = Decode("gzip", bomb, {}, 1 << 20);
  EXPECT_FALSE(capped.ok);
  EXPECT_LE(capped.body.size(), size_t{1} << 20);
  EXPECT_NE(capped.error.find("larger than"), std::string::npos);
  EXPECT_TRUE(Decode("gzip", MakeGzip(std::string(1 << 20, 'x')), {}, 1 << 20).ok);
  EXPECT_FALSE(Decode("deflate", MakeDeflate(std::string(2 << 20, 'y'), true), {}, 1 << 20).ok);
  EXPECT_FALSE(Decode("identity", "12345", {}, 4).ok);
}

TEST(ContentDecoder, ASinkRefusalFailsAndStaysFailed) {
  auto decoder = ContentDecoder::ForCoding("gzip");
  const std::string member = MakeGzip("refused");
  auto refuse = [](const char*, size_t) { return false; };
  EXPECT_FALSE(decoder->Feed(member.data(), member.size(), refuse));
  EXPECT_EQ(decoder->errorText(), "stopped by the receiver");
  auto accept = [](const char*, size_t) { return true; };
  EXPECT_FALSE(decoder->Feed(member.data(), 1, accept));
  EXPECT_FALSE(decoder->Finish(accept));
}

TEST(ContentDecoder, LargeOutputComesInBlocksAndWhole) {
  const std::string text = PatternBytes(1 << 20) + std::string(1 << 20, 'z');
  const std::string member = MakeGzip(text);
  for (const auto& cuts : {std::vector<size_t>{}, std::vector<size_t>{7, 5000, member.size() / 2}}) {
    Decoded d = Decode("gzip", member, cuts);
    EXPECT_TRUE(d.ok) << d.error;
    EXPECT_EQ(d.body, text);
  }
}

}  // namespace

TEST(ContentDecoderChain, StackedCodingsAreUndoneLastFirstAndNoneIsSkipped) {
  const std::string text = "twice coded " + PatternBytes(2000);
  // Applied as listed: deflate first, then gzip over it.
  const std::string wire = MakeGzip(MakeDeflate(text, true));
  ContentDecoderChain chain;
  std::string unknown;
  ASSERT_TRUE(chain.Build({"deflate", "None", "gzip"}, ContentDecoder::kDefaultOutputLimit, &unknown));
  std::string out;
  auto sink = [&out](const char* data, size_t size) { return out.append(data, size), true; };
  ASSERT_TRUE(chain.Feed(wire.data(), wire.size(), sink));
  ASSERT_TRUE(chain.Finish(sink));
  EXPECT_EQ(out, text);
  EXPECT_FALSE(chain.Build({"gzip", "zstd"}, ContentDecoder::kDefaultOutputLimit, &unknown));
  EXPECT_EQ(unknown, "zstd");
}

TEST(ContentDecoderChain, AnAnswersCodingsAreAtMostFourAndAnUnknownOneIsNamed) {
  ContentDecoderChain chain;
  std::string problem;
  ASSERT_TRUE(chain.BuildForContentEncoding({"NONE", "identity"}, ContentDecoder::kDefaultOutputLimit, problem));
  EXPECT_TRUE(chain.empty());
  ASSERT_TRUE(chain.BuildForContentEncoding({"gzip", "none", "gzip", "deflate", "x-gzip"},
                                            ContentDecoder::kDefaultOutputLimit, problem));
  EXPECT_FALSE(chain.empty());
  EXPECT_FALSE(chain.BuildForContentEncoding({"gzip", "gzip", "gzip", "gzip", "gzip"},
                                             ContentDecoder::kDefaultOutputLimit, problem));
  EXPECT_NE(problem.find("5 content codings"), std::string::npos) << problem;
  EXPECT_FALSE(chain.BuildForContentEncoding({"gzip", "br"}, ContentDecoder::kDefaultOutputLimit, problem));
  EXPECT_NE(problem.find("\"br\""), std::string::npos) << problem;
  EXPECT_TRUE(chain.empty());
}
