// URL splitting (IPv6 literals, user names refused) and redirect resolution.
#include "net/HttpUrl.h"

#include <gtest/gtest.h>

namespace {

HttpUrl Parsed(const char* text) {
  HttpUrl url;
  std::string error;
  EXPECT_TRUE(ParseHttpUrl(text, url, error)) << text << ": " << error;
  return url;
}

std::string Refusal(const char* text) {
  HttpUrl url;
  std::string error;
  EXPECT_FALSE(ParseHttpUrl(text, url, error)) << text;
  return error;
}

std::string Redirected(const char* base, const char* location) {
  std::string out;
  Failure failure;
  EXPECT_TRUE(ResolveRedirect(base, location, out, failure)) << location << ": " << failure.message;
  return out;
}

TEST(HttpUrl, SplitsAndEncodesAndRefusesWhatItCannotFetch) {
  HttpUrl url = Parsed("HTTP://example.test:8080/a b/\xE4?q=1:2#frag");
  EXPECT_EQ(url.host, "example.test");
  EXPECT_EQ(url.port, 8080);
  EXPECT_EQ(url.target, "/a%20b/%E4?q=1:2");
  url = Parsed("http://h?x");
  EXPECT_EQ(url.target, "/?x");
  EXPECT_EQ(url.port, 80);
  url = Parsed("HTTPS://h/x");
  EXPECT_EQ(url.scheme, "https");
  EXPECT_EQ(url.port, 443);
  Refusal("ftp://h/");
  Refusal("http://h:0/");
  Refusal("http://h:99999/");
  Refusal("http:///x");
  Refusal("http://h\r\nX: y/");
}

TEST(HttpUrl, IPv6LiteralsLoseTheirBracketsAndKeepTheirPort) {
  HttpUrl url = Parsed("http://[::1]:8080/x?y");
  EXPECT_EQ(url.host, "::1");
  EXPECT_EQ(url.port, 8080);
  EXPECT_EQ(url.target, "/x?y");
  EXPECT_EQ(url.Authority(), "[::1]:8080");
  url = Parsed("https://[2001:DB8::10]/");
  EXPECT_EQ(url.host, "2001:DB8::10");
  EXPECT_EQ(url.port, 443);
  EXPECT_EQ(url.Authority(), "[2001:DB8::10]");
  EXPECT_EQ(Parsed("http://[::ffff:127.0.0.1]").host, "::ffff:127.0.0.1");
  EXPECT_NE(Refusal("http://[::1/x").find("']'"), std::string::npos);
  EXPECT_NE(Refusal("http://[::1]:/x").find("port"), std::string::npos);
  EXPECT_NE(Refusal("http://[::1]x/").find("after its IPv6"), std::string::npos);
  Refusal("http://[fe80::1%25eth0]/");
  Refusal("http://[example.org]/");
  Refusal("http://[]/");
  Refusal("http://::1/");
}

TEST(HttpUrl, AUserNameOrPasswordIsRefusedSayingSo) {
  EXPECT_NE(Refusal("http://user@h/").find("user name or password"), std::string::npos);
  EXPECT_NE(Refusal("https://u:secret@[::1]:81/").find("user name or password"), std::string::npos);
  // An '@' in the path or query is no user name.
  EXPECT_EQ(Parsed("http://h/a@b?c=d@e").host, "h");
}

TEST(HttpUrl, RedirectsResolveAsRfc3986Says) {
  EXPECT_EQ(Redirected("http://a:1/d/f?q", "/x"), "http://a:1/x");
  EXPECT_EQ(Redirected("http://a:1/d/f?q", "g"), "http://a:1/d/g");
  EXPECT_EQ(Redirected("http://a:1/d/f", "//b/y"), "http://b/y");
  EXPECT_EQ(Redirected("http://a/", "http://c/z"), "http://c/z");
  // A query alone keeps the whole path; a slash in the base's query is no path.
  EXPECT_EQ(Redirected("http://a/d/f?q", "?r"), "http://a/d/f?r");
  EXPECT_EQ(Redirected("http://a/d/f?q=/x/y", "g"), "http://a/d/g");
  EXPECT_EQ(Redirected("http://[::1]:8/d/f", "../g"), "http://[::1]:8/g");
  EXPECT_EQ(Redirected("http://a/d/f", "HTTPS://b/"), "HTTPS://b/");
}

TEST(HttpUrl, RedirectsNowhereOrToAnotherSchemeFailNamingTheLocation) {
  std::string out = "unchanged";
  Failure failure;
  EXPECT_FALSE(ResolveRedirect("http://a/d/f", "", out, failure));
  EXPECT_EQ(failure.cause, FailureCause::Redirect);
  EXPECT_NE(failure.message.find("empty Location"), std::string::npos);
  failure = {};
  EXPECT_FALSE(ResolveRedirect("http://a/d/f", "ftp://b/file", out, failure));
  EXPECT_EQ(failure.cause, FailureCause::Redirect);
  EXPECT_NE(failure.message.find("\"ftp://b/file\""), std::string::npos) << failure.message;
  EXPECT_FALSE(ResolveRedirect("http://a/d/f", "mailto:x@y", out, failure));
  EXPECT_EQ(out, "unchanged");
}

}  // namespace
