// URL splitting, redirect resolution, request text, Content-Range, SHA-256.
#include <gtest/gtest.h>

#include "dl/ContentRange.h"
#include "dl/HttpUrl.h"
#include "dl/Sha256.h"

TEST(HttpUrl, SplitsAndEncodesAndRefusesWhatItCannotFetch) {
  HttpUrl url;
  std::string error;
  ASSERT_TRUE(ParseHttpUrl("HTTP://example.test:8080/a b/\xE4?q=1:2#frag", url, error)) << error;
  EXPECT_EQ(url.host, "example.test");
  EXPECT_EQ(url.port, 8080);
  EXPECT_EQ(url.target, "/a%20b/%E4?q=1:2");
  ASSERT_TRUE(ParseHttpUrl("http://h?x", url, error));
  EXPECT_EQ(url.target, "/?x");
  EXPECT_EQ(url.port, 80);
  ASSERT_TRUE(ParseHttpUrl("HTTPS://h/x", url, error)) << error;
  EXPECT_EQ(url.scheme, "https");
  EXPECT_EQ(url.port, 443);
  EXPECT_FALSE(ParseHttpUrl("ftp://h/", url, error));
  EXPECT_FALSE(ParseHttpUrl("http://h:0/", url, error));
  EXPECT_FALSE(ParseHttpUrl("http://h:99999/", url, error));
  EXPECT_FALSE(ParseHttpUrl("http:///x", url, error));
  EXPECT_FALSE(ParseHttpUrl("http://user@h/", url, error));
  EXPECT_FALSE(ParseHttpUrl("http://h\r\nX: y/", url, error));
}

TEST(HttpUrl, ResolvesRedirectsAndBuildsTheRequest) {
  EXPECT_EQ(ResolveLocation("http://a:1/d/f?q", "/x"), "http://a:1/x");
  EXPECT_EQ(ResolveLocation("http://a:1/d/f?q", "g"), "http://a:1/d/g");
  EXPECT_EQ(ResolveLocation("http://a:1/d/f", "//b/y"), "http://b/y");
  EXPECT_EQ(ResolveLocation("http://a/", "http://c/z"), "http://c/z");
  HttpUrl url{"http", "h", 81, "/p"};
  EXPECT_EQ(BuildGetRequest(url, {{"Range", "bytes=5-"}}),
            "GET /p HTTP/1.1\r\nHost: h:81\r\nUser-Agent: Velmora/1.0\r\nAccept: */*\r\nConnection: close\r\n"
            "Range: bytes=5-\r\n\r\n");
  // Through a forwarding proxy: the absolute URL and the proxy's credentials.
  EXPECT_EQ(BuildGetRequest(url, {}, {true, "Basic dTpw"}),
            "GET http://h:81/p HTTP/1.1\r\nHost: h:81\r\nUser-Agent: Velmora/1.0\r\nAccept: */*\r\n"
            "Connection: close\r\nProxy-Authorization: Basic dTpw\r\n\r\n");
  HttpUrl secure{"https", "h", 443, "/"};
  EXPECT_EQ(BuildGetRequest(secure, {}).substr(0, 29), "GET / HTTP/1.1\r\nHost: h\r\nUser");
}

TEST(ContentRange, ReadsTheThreeFormsAndRefusesTheRest) {
  auto range = ParseContentRange("bytes 100-199/1000");
  ASSERT_TRUE(range);
  EXPECT_EQ(range->first, 100);
  EXPECT_EQ(range->last, 199);
  EXPECT_EQ(range->complete, 1000);
  EXPECT_EQ(ParseContentRange("bytes 0-9/*")->complete, -1);
  EXPECT_EQ(ParseContentRange("bytes */77")->complete, 77);
  EXPECT_FALSE(ParseContentRange("bytes 10-5/100"));
  EXPECT_FALSE(ParseContentRange("bytes 0-100/100"));
  EXPECT_FALSE(ParseContentRange("bytes -1-5/100"));
  EXPECT_FALSE(ParseContentRange("bytes 0-5/99999999999999999999"));
  EXPECT_FALSE(ParseContentRange("items 0-5/10"));
  EXPECT_FALSE(ParseContentRange("bytes */*"));
}

TEST(Sha256, MatchesTheStandardVectors) {
  Sha256 empty;
  EXPECT_EQ(empty.FinishHex(), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  Sha256 abc;
  abc.Update("abc", 3);
  EXPECT_EQ(abc.FinishHex(), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  Sha256 pieces;  // 448 bits, fed unevenly across the block boundary
  std::string text = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";
  pieces.Update(text.data(), 5);
  pieces.Update(text.data() + 5, text.size() - 5);
  EXPECT_EQ(pieces.FinishHex(), "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
}
