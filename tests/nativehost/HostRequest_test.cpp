// What the host takes from the extension, and what it refuses and why.
#include "nativehost/HostRequest.h"

#include <gtest/gtest.h>

#include <string>

namespace nativehost {
namespace {

std::string ErrorOf(const std::string& json) {
  const ParsedRequest parsed = ParseHostRequest(json);
  EXPECT_FALSE(parsed.request) << json;
  return parsed.error;
}

LinkRequest AddOf(const std::string& json) {
  const ParsedRequest parsed = ParseHostRequest(json);
  EXPECT_TRUE(parsed.request) << json << ": " << parsed.error;
  if (!parsed.request) return {};
  EXPECT_EQ(parsed.request->kind, RequestKind::Add);
  return parsed.request->link;
}

TEST(HostRequest, ReadsPingAndAFullAdd) {
  const ParsedRequest ping = ParseHostRequest(R"({"type":"ping","extra":[1,{"x":2}]})");
  ASSERT_TRUE(ping.request);
  EXPECT_EQ(ping.request->kind, RequestKind::Ping);

  const LinkRequest link = AddOf(
      R"({"type":"add","url":"https://example.test/a/b.iso?x=1","filename":"b.iso",)"
      R"("referrer":"https://example.test/page","cookies":"sid=1; lang=en","userAgent":"UA/1.0\tx",)"
      R"("fileSize":1234567890123,"unknown":{"deep":[[]]}})");
  EXPECT_EQ(link.url, "https://example.test/a/b.iso?x=1");
  EXPECT_EQ(link.name, "b.iso");
  EXPECT_EQ(link.referrer, "https://example.test/page");
  EXPECT_EQ(link.cookies, "sid=1; lang=en");
  EXPECT_EQ(link.userAgent, "UA/1.0\tx");
  EXPECT_EQ(link.fileSize, 1234567890123u);
}

TEST(HostRequest, NullOrMissingOptionalMembersAreAbsent) {
  const LinkRequest link = AddOf(
      R"({"type":"add","url":"HTTP://x.test/","filename":null,"referrer":null,"cookies":null,"fileSize":null})");
  EXPECT_EQ(link.url, "HTTP://x.test/");
  EXPECT_TRUE(link.name.empty());
  EXPECT_TRUE(link.cookies.empty());
  EXPECT_FALSE(link.fileSize);
  // Browsers say -1 for a size they do not know; 2.0 is a whole number.
  EXPECT_FALSE(AddOf(R"({"type":"add","url":"http://x.test/","fileSize":-1})").fileSize);
  EXPECT_EQ(AddOf(R"({"type":"add","url":"http://x.test/","fileSize":2.0})").fileSize, 2u);
  // A referrer the engine could not send is dropped, not refused.
  EXPECT_EQ(AddOf(R"({"type":"add","url":"http://x.test/","referrer":"about:blank"})").referrer, "");
  // The last of two equal keys counts, as in every browser's JSON.
  EXPECT_EQ(AddOf(R"({"type":"add","url":"http://a.test/","url":"http://b.test/"})").url, "http://b.test/");
}

TEST(HostRequest, RefusesWrongTypesWithTheMembersName) {
  EXPECT_EQ(ErrorOf(R"({"type":"add","url":5})"), "url must be a string");
  EXPECT_EQ(ErrorOf(R"({"type":"add","url":"http://x/","filename":[]})"), "filename must be a string");
  EXPECT_EQ(ErrorOf(R"({"type":"add","url":"http://x/","cookies":{}})"), "cookies must be a string");
  EXPECT_EQ(ErrorOf(R"({"type":"add","url":"http://x/","referrer":true})"), "referrer must be a string");
  EXPECT_EQ(ErrorOf(R"({"type":"add","url":"http://x/","userAgent":1})"), "userAgent must be a string");
  EXPECT_EQ(ErrorOf(R"({"type":"add","url":"http://x/","fileSize":"12"})"), "fileSize must be a whole number");
  EXPECT_EQ(ErrorOf(R"({"type":"add","url":"http://x/","fileSize":1.5})"), "fileSize must be a whole number");
  EXPECT_EQ(ErrorOf(R"({"type":7})"), "type must be a string");
  EXPECT_EQ(ErrorOf(R"({"type":"remove"})"), "unknown message type");
  EXPECT_EQ(ErrorOf(R"({"url":"http://x/"})"), "type is missing");
  EXPECT_EQ(ErrorOf(R"({"type":"add"})"), "url is missing");
}

TEST(HostRequest, RefusesAddressesAndHeaderTextsThatCouldForgeARequest) {
  EXPECT_EQ(ErrorOf(R"({"type":"add","url":"file:///etc/passwd"})"), "url must be an http or https address");
  EXPECT_EQ(ErrorOf(R"x({"type":"add","url":"javascript:alert(1)"})x"), "url must be an http or https address");
  EXPECT_EQ(ErrorOf(R"({"type":"add","url":"http://"})"), "url must be an http or https address");
  EXPECT_EQ(ErrorOf(R"({"type":"add","url":"http://x/ a"})"), "url holds blanks or control characters");
  EXPECT_EQ(ErrorOf(R"({"type":"add","url":"http://x/\r\nHost: y"})"), "url holds blanks or control characters");
  EXPECT_EQ(ErrorOf(R"({"type":"add","url":"http://x/","cookies":"a=1\r\nX-Evil: 1"})"),
            "cookies holds control characters");
  EXPECT_EQ(ErrorOf(R"({"type":"add","url":"http://x/","userAgent":"a\u0000b"})"),
            "userAgent holds control characters");
  EXPECT_EQ(ErrorOf(R"({"type":"add","url":"http://x/","referrer":"http://y/\n"})"),
            "referrer holds control characters");
}

TEST(HostRequest, KeepsOnlyABareFileName) {
  auto nameOf = [](const std::string& filename) {
    return AddOf(R"({"type":"add","url":"http://x/","filename":")" + filename + "\"}").name;
  };
  EXPECT_EQ(nameOf("../../.bashrc"), ".bashrc");
  EXPECT_EQ(nameOf("/etc/cron.d/job"), "job");
  EXPECT_EQ(nameOf("C:\\\\Users\\\\x\\\\setup.exe"), "setup.exe");
  EXPECT_EQ(nameOf(".."), "");
  EXPECT_EQ(nameOf("dir/"), "");
  EXPECT_EQ(nameOf("  a\\tb\\u001b.txt "), "ab.txt");
  EXPECT_EQ(nameOf("\xE4\xB8\xAD.zip"), "\xE4\xB8\xAD.zip");
}

TEST(HostRequest, RefusesWhatIsNotOneJsonObject) {
  EXPECT_EQ(ErrorOf(""), "bad JSON near byte 1");
  EXPECT_EQ(ErrorOf("[1,2]"), "the message is not a JSON object");
  EXPECT_EQ(ErrorOf("\"ping\""), "the message is not a JSON object");
  EXPECT_EQ(ErrorOf("{\"type\":\"ping\"} {}"), "bad JSON near byte 17");
  EXPECT_EQ(ErrorOf("{\"type\":\"ping\""), "bad JSON near byte 15");
  EXPECT_EQ(ErrorOf("{\"type\":\"\xFF\"}"), "bad JSON near byte 10");
  EXPECT_EQ(ErrorOf("{\"a\":" + std::string(kMaxJsonDepth, '[')), "the message is nested too deeply");
  // Far deeper than any stack would take, refused at once.
  EXPECT_EQ(ErrorOf(std::string(1 << 20, '[')), "the message is not a JSON object");
  std::string objects;
  for (int i = 0; i < 100000; ++i) objects += "{\"a\":";
  EXPECT_EQ(ErrorOf(objects), "the message is nested too deeply");
  EXPECT_TRUE(ParseHostRequest("{\"type\":\"ping\",\"a\":" + std::string(kMaxJsonDepth - 2, '[') +
                               std::string(kMaxJsonDepth - 2, ']') + "}")
                  .request);
}

}  // namespace
}  // namespace nativehost
