#include "net/WHttp.h"

#include <gtest/gtest.h>

#include <zlib.h>

#include <thread>

#include "tests/net/support/LoopbackServer.h"
#include "tests/net/support/NetTestSupport.h"

namespace {

const std::string kAccept =
    "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, application/x-shockwave-flash, "
    "application/x-ms-application, application/x-ms-xbap, application/vnd.ms-xpsdocument, "
    "application/xaml+xml, */*\r\nAccept-Language: zh-cn\r\nAccept-Encoding: gzip,deflate\r\n";
const std::string kMsie7 = "User-Agent: Mozilla/4.0 (compatible; MSIE 7.0; Windows NT 5.1; Maxthon 2.0)\r\n";
const std::string kMsie6 =
    "User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1; SV1; .NET CLR 2.0.50727; .NET CLR "
    "3.0.04506.648; .NET CLR 3.5.21022; .NET CLR 3.0.4506.2152; .NET CLR 3.5.30729; .NET4.0C; .NET4.0E)\r\n";
const std::string kKeepAlive = "Connection: Keep-Alive\r\nProxy-Connection: Keep-Alive\r\n";

std::string Ok(const std::string& body, const std::string& extra = "") {
  return "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n" + extra + "\r\n" + body;
}

// A client whose reads wait 50 ms, so a silent peer costs little.
struct QuickHttp : WHttp {
  QuickHttp() {
    recvFn = &ShortWaitRecv;
    SetReadPause(0);
  }
};

struct Fetched {
  ResultCode result;
  std::string body;
};

Fetched Get(WHttp& http, const std::string& url, bool follow = false) {
  std::string body = "<untouched>";
  ResultCode result = http.Get(url.c_str(), body, follow, "");
  return {result, body};
}

Fetched GetFrom(ScriptedReply reply) {
  LoopbackServer server(std::move(reply));
  QuickHttp http;
  return Get(http, server.Url("/"));
}

TEST(RequestTemplates, GetRequestIsByteExact) {
  LoopbackServer server(Reply(Ok("hi")));
  WHttp http;
  std::string body;
  ASSERT_EQ(http.Get(server.Url("/dir/a b\xC4\xE3.txt?q=1").c_str(), body, false, "X-One: 1\r\n"), Success);
  EXPECT_EQ(body, "hi");
  const std::string expected = "GET /dir/a%20b%C4%E3.txt?q=1 HTTP/1.1\r\nX-One: 1\r\n" + kAccept + kMsie6 +
                               "Host: 127.0.0.1:" + std::to_string(server.port()) + "\r\n" + kKeepAlive + "\r\n";
  EXPECT_EQ(server.request(), expected);
  EXPECT_EQ(http.requestText, expected);
}

TEST(RequestTemplates, AnIpv6HostGetsTheSameTextWithItsBrackets) {
  LoopbackServer server(Reply(Ok("six")), true);
  WHttp http;
  std::string body;
  ASSERT_EQ(http.Get(server.Url("/x").c_str(), body, false, ""), Success);
  EXPECT_EQ(body, "six");
  EXPECT_EQ(server.request(), "GET /x HTTP/1.1\r\n" + kAccept + kMsie6 + "Host: [::1]:" + std::to_string(server.port()) +
                                  "\r\n" + kKeepAlive + "\r\n");
}

TEST(RequestTemplates, PostRequestCarriesHeaderLinesAndBody) {
  LoopbackServer server(Reply(Ok("1")));
  WHttp http;
  std::string body;
  ASSERT_EQ(http.Request(server.Url("/svc/DownloadCenter.xmlx").c_str(), "k=v", 3, body, "post",
                         "param: {\"ProID\":8}\r\nopt: 0\r\n", "X-After: 1\r\n"),
            Success);
  EXPECT_EQ(body, "1");
  EXPECT_EQ(server.request(), "post /svc/DownloadCenter.xmlx HTTP/1.1\r\n" + kAccept + kMsie7 +
                                  "Host: 127.0.0.1:" + std::to_string(server.port()) +
                                  "\r\nContent-Length: 3\r\nparam: {\"ProID\":8}\r\nopt: 0\r\n"
                                  "Cache-Control: no-cache\r\n" + kKeepAlive + "X-After: 1\r\n\r\nk=v");
}

TEST(RequestTemplates, PartialSendsStillDeliverTheWholeRequest) {
  LoopbackServer server(Reply(Ok("ok")));
  WHttp http;
  http.sendFn = [](int32_t* socket, const char* data, int32_t length, int32_t flags) {
    return WSocket::TimedSend(socket, data, std::min<int32_t>(length, 7), flags);
  };
  const std::string body(5000, 'b');
  std::string response;
  ASSERT_EQ(http.Request(server.Url("/p").c_str(), body.data(), 5000, response, "POST", "", ""), Success);
  EXPECT_EQ(server.request().substr(server.request().size() - 5004), "\r\n\r\n" + body);
}

TEST(RequestTemplates, OtherMethodsSendAGet) {
  LoopbackServer server(Reply(Ok("")));
  WHttp http;
  std::string body;
  ASSERT_EQ(http.Request(server.Url("/x").c_str(), "ignored", 7, body, "PUT", "A: 1\r\n", "B: 2\r\n"), Success);
  EXPECT_EQ(server.request(), "GET /x HTTP/1.1\r\n" + kAccept + kMsie7 + "Host: 127.0.0.1:" +
                                  std::to_string(server.port()) + "\r\n" +
                                  "Cache-Control: no-cache\r\n" + kKeepAlive + "B: 2\r\n\r\n");
}

TEST(RequestTemplates, FormattersAndTheirLimits) {
  WHttp http;
  std::string out = "previous";
  http.FormatGetRequest(out, "h", ("/" + std::string(3000, 'p')).c_str(), "");
  EXPECT_EQ(out, "previous");
  http.FormatRequest(out, "GET", "h", "/", "", std::string(2000, 'x').c_str(), "");
  EXPECT_EQ(out, "previous");

  std::unique_ptr<char[]> built;
  int64_t length = 0;
  std::string body("a\0b", 3);
  EXPECT_EQ(http.BuildPostRequest(built, &length, "POST", "h", "/p", "B: 0\r\n", "", body.data(), 3, ""), length);
  const std::string head = "POST /p HTTP/1.1\r\nB: 0\r\n" + kAccept + kMsie7 +
                           "Host: h\r\nContent-Length: 3\r\nCache-Control: no-cache\r\n" + kKeepAlive + "\r\n";
  EXPECT_EQ(std::string(built.get(), static_cast<size_t>(length)), head + body);
  EXPECT_EQ((kAccept + kMsie7 + "Host: ").size(), 342u);

  char small[64];
  EXPECT_EQ(http.FormatPostRequest(small, sizeof small, "POST", "h", "/p", "", "", "xyz", ""), BufferTooSmall);
  std::vector<char> room(head.size() + 16);
  EXPECT_EQ(http.FormatPostRequest(room.data(), room.size(), "POST", "h", "/p", "B: 0\r\n", "", "xyz", ""),
            Success);
  std::string expectedPost = head + "xyz";
  expectedPost.replace(expectedPost.find("Length: 3"), 9, "Length: 3");
  EXPECT_STREQ(room.data(), expectedPost.c_str());
}

TEST(StatusLine, VariantsAndTheirResults) {
  WHttp http;
  EXPECT_EQ(http.ParseStatusCode("HTTP/1.1 200 OK"), 200);
  EXPECT_EQ(http.ParseStatusCode("HTTP/1.0 404 Not Found"), 404);
  EXPECT_EQ(http.ParseStatusCode("HTTP/1.1 200"), 0);  // no reason phrase
  EXPECT_EQ(http.ParseStatusCode("HTTP/2 200 OK"), 0);
  EXPECT_EQ(http.ParseStatusCode("HTTP/1.1 99999999999999999999 x"), INT32_MAX);

  EXPECT_EQ(GetFrom(Reply("HTTP/1.1 200\r\nContent-Length: 2\r\n\r\nhi")).result, HttpTypeError);
  EXPECT_EQ(GetFrom(Reply("HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\nhi")).body, "hi");
  EXPECT_EQ(GetFrom(Reply("HTTP/1.1 404 Not Found\r\nContent-Length: 2\r\n\r\nno")).result, HttpTypeError);
  // An interim answer is skipped: alone it is no answer.
  EXPECT_EQ(GetFrom(Reply("HTTP/1.1 199 Odd\r\n\r\n")).result, NetReadError);
  EXPECT_EQ(GetFrom(Reply("HTTP/1.1 199 Odd\r\n\r\nHTTP/1.1 200 OK\r\nContent-Length: 1\r\n\r\n!")).body, "!");
  Fetched moved = GetFrom(Reply("HTTP/1.1 301 Moved\r\nLocation: http://127.0.0.1:1/\r\nContent-Length: 4\r\n\r\nmove"));
  EXPECT_EQ(moved.result, Success);
  EXPECT_EQ(moved.body, "move");
  EXPECT_EQ(GetFrom(Reply("garbage\r\n\r\n")).result, HttpTypeError);
  EXPECT_EQ(GetFrom(Reply("")).result, NetReadError);
}

TEST(ResponseHead, HeadersAreParsedAndLookedUpInAnyCase) {
  LoopbackServer server(Reply(
      "HTTP/1.1 200 OK\r\nX-A:  one \t\r\nx-a: two\r\n: skipped\r\nno colon here\r\n"
      "CONTENT-TYPE: text/plain; Charset=UTF-8\r\ncontent-length: 3\r\n\r\nabc"));
  WHttp http;
  Fetched f = Get(http, server.Url("/"));
  EXPECT_EQ(f.result, Success);
  EXPECT_EQ(f.body, "abc");
  EXPECT_EQ(http.statusLine, "HTTP/1.1 200 OK");
  EXPECT_EQ(http.status, 200);
  EXPECT_EQ(http.contentLength, 3);
  EXPECT_TRUE(http.utf8Text);
  EXPECT_EQ(http.HeaderValue("x-A"), "one");
  EXPECT_EQ(http.headers.count("X-A"), 2u);
  EXPECT_EQ(http.headers.size(), 4u);
  EXPECT_EQ(http.rawHead.substr(http.rawHead.size() - 4), "\r\n\r\n");
}

TEST(ResponseHead, EncodingsAreRecognisedInAnySpelling) {
  for (const char* head : {"Transfer-Encoding: chunked", "transfer-encoding: Chunked", "TRANSFER-ENCODING: CHUNKED"}) {
    Fetched f = GetFrom(Reply(std::string("HTTP/1.1 200 OK\r\n") + head + "\r\n\r\n" + MakeChunked({"ab", "cd"})));
    EXPECT_EQ(f.result, Success) << head;
    EXPECT_EQ(f.body, "abcd") << head;
  }
  const std::string packed = MakeGzip("zipped text");
  Fetched g = GetFrom(Reply("HTTP/1.1 200 OK\r\ncontent-encoding: GZIP\r\nContent-Length: " +
                            std::to_string(packed.size()) + "\r\n\r\n" + packed));
  EXPECT_EQ(g.result, Success);
  EXPECT_EQ(g.body, "zipped text");
  WHttp http;
  http.headers.clear();
  EXPECT_EQ(http.ParseResponseHead("HTTP/1.1 200 OK\r\nContent-Encoding: gzip\r\nTransfer-Encoding: chunked\r\n\r\n"),
            WHttp::ChunkedGzip);
  http.headers.clear();
  EXPECT_EQ(http.ParseResponseHead("HTTP/1.1 200 OK\r\nContent-Encoding: gzip\r\n\r\n"), WHttp::GzipToClose);
  http.headers.clear();
  EXPECT_EQ(http.ParseResponseHead("HTTP/1.1 200 OK\r\nContent-Encoding: gzip\r\nContent-Length: 9\r\n\r\n"),
            WHttp::GzipWithLength);
}

TEST(ResponseHead, HeadSplitAcrossReadsAtEveryBoundary) {
  const std::string wire = Ok("body!", "X-Pad: " + std::string(40, 'p') + "\r\n");
  for (size_t i = 1; i < wire.size(); ++i) {
    SetScriptedPeer({{wire.substr(0, i)}, {wire.substr(i)}});
    WHttp http;
    http.recvFn = &ScriptedRecv;
    http.sendFn = [](int32_t*, const char*, int32_t length, int32_t) { return static_cast<int>(length); };
    std::string body;
    ASSERT_EQ(http.Exchange("GET / HTTP/1.1\r\n\r\n", 18, body), Success) << "split at " << i;
    EXPECT_EQ(body, "body!") << "split at " << i;
  }
}

TEST(ResponseHead, OverlongHeadFails) {
  std::string head = "HTTP/1.1 200 OK\r\n";
  while (head.size() <= WHttp::kMaxHeadSize) head += "X-Filler: " + std::string(100, 'f') + "\r\n";
  EXPECT_EQ(GetFrom(Reply(head + "\r\n")).result, NetReadError);
}

TEST(ContentLength, BadValuesNeverReachSizeArithmetic) {
  for (const char* value : {"-1", "-5", "abc", "12abc", "1 2", "+3", "99999999999999999999"}) {
    Fetched f = GetFrom(Reply(std::string("HTTP/1.1 200 OK\r\nContent-Length: ") + value + "\r\n\r\nabc"));
    EXPECT_EQ(f.result, NetReadError) << value;
    EXPECT_EQ(f.body, "<untouched>") << value;
  }
  // A chunked body does not depend on it.
  Fetched c = GetFrom(Reply("HTTP/1.1 200 OK\r\nContent-Length: -1\r\nTransfer-Encoding: chunked\r\n\r\n" +
                            MakeChunked({"ok"})));
  EXPECT_EQ(c.result, Success);
  EXPECT_EQ(c.body, "ok");
  EXPECT_EQ(GetFrom(Reply("HTTP/1.1 200 OK\r\nContent-Length: 4294967295\r\n\r\n")).result, MallocError);
}

TEST(Bodies, IdentityBodiesShortLongAndUndeclared) {
  EXPECT_EQ(GetFrom(Reply("HTTP/1.1 200 OK\r\n\r\n")).body, "");
  EXPECT_EQ(GetFrom(Reply("HTTP/1.1 200 OK\r\n\r\n")).result, Success);
  // Without a length the body runs to the close.
  EXPECT_EQ(GetFrom(Reply("HTTP/1.1 200 OK\r\n\r\nunexpected")).body, "unexpected");
  EXPECT_EQ(GetFrom(Reply("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nshort")).result, NetReadError);
  // Bytes past the length are not part of the body.
  EXPECT_EQ(GetFrom(Reply("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\ntoo long")).body, "to");
  // A stalled peer: five short waits, then 15.
  ScriptedReply stalled = Reply("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nshort");
  stalled.holdOpen = true;
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(GetFrom(stalled).result, NetReadError);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  // Delivered in pieces, with pauses between them.
  const std::string big = PatternBytes(300000);
  ScriptedReply slow{{"HTTP/1.1 200 OK\r\nContent-Length: 300000\r\n\r\n", big.substr(0, 1000),
                      big.substr(1000, 150000), big.substr(151000)},
                     10,
                     false};
  LoopbackServer server(slow);
  WHttp http;
  char buffer[300000];
  EXPECT_EQ(http.RequestToBuffer(server.Url("/").c_str(), nullptr, 0, buffer, sizeof buffer, "GET", ""), Success);
  EXPECT_EQ(std::string(buffer, sizeof buffer), big);
}

TEST(Bodies, ExchangeCutsTheTextAtAZeroByte) {
  EXPECT_EQ(GetFrom(Reply(Ok(std::string("ab\0cd", 5)))).body, "ab");
}

TEST(Bodies, GzipWithAndWithoutLength) {
  const std::string text = "hello gzip " + std::string(5000, 'g');
  const std::string packed = MakeGzip(text);
  Fetched withLength = GetFrom(Reply(Ok(packed, "Content-Encoding: gzip\r\n")));
  EXPECT_EQ(withLength.result, Success);
  EXPECT_EQ(withLength.body, text);
  Fetched toClose = GetFrom(Reply("HTTP/1.1 200 OK\r\nContent-Encoding: gzip\r\n\r\n" + packed));
  EXPECT_EQ(toClose.result, Success);
  EXPECT_EQ(toClose.body, text);
  Fetched chunked = GetFrom(Reply("HTTP/1.1 200 OK\r\nContent-Encoding: gzip\r\nTransfer-Encoding: chunked\r\n\r\n" +
                                  MakeChunked({packed.substr(0, 7), packed.substr(7)})));
  EXPECT_EQ(chunked.result, Success);
  EXPECT_EQ(chunked.body, text);
  // Header fields such as a file name are skipped.
  EXPECT_EQ(GetFrom(Reply(Ok(MakeGzip(text, "a.txt"), "Content-Encoding: gzip\r\n"))).body, text);
  Fetched namedToClose = GetFrom(Reply("HTTP/1.1 200 OK\r\nContent-Encoding: gzip\r\n\r\n" + MakeGzip(text, "a.txt")));
  EXPECT_EQ(namedToClose.result, Success);
  EXPECT_EQ(namedToClose.body, text);
  // Corrupt data is a failure, and the response is left as it was.
  Fetched corrupt = GetFrom(Reply("HTTP/1.1 200 OK\r\nContent-Encoding: gzip\r\n\r\nnot gzip at all"));
  EXPECT_EQ(corrupt.result, Z_DATA_ERROR);
  EXPECT_EQ(corrupt.body, "<untouched>");
  EXPECT_EQ(GetFrom(Reply("HTTP/1.1 200 OK\r\nContent-Encoding: gzip\r\nContent-Length: 1048577\r\n\r\n")).result,
            NetReadError);
}

TEST(Bodies, ToBufferReportsDecodedSizeAndRespectsCapacity) {
  const std::string packed = MakeGzip("decoded!");
  LoopbackServer server(Reply(Ok(packed, "Content-Encoding: gzip\r\n")));
  WHttp http;
  char buffer[8];
  EXPECT_EQ(http.RequestToBuffer(server.Url("/").c_str(), nullptr, 0, buffer, sizeof buffer, "GET", ""), Success);
  EXPECT_EQ(std::string(buffer, 8), "decoded!");
  EXPECT_EQ(http.contentLength, 8);
  EXPECT_EQ(http.RequestToBuffer(server.Url("/").c_str(), nullptr, 0, buffer, 7, "GET", ""), BufferTooSmall);
}

TEST(Bodies, InMemoryBodiesHaveACap) {
  EXPECT_EQ(GetFrom(Reply("HTTP/1.1 200 OK\r\nContent-Length: 1073741825\r\n\r\n")).result, MallocError);
}

TEST(BlockLists, EveryTransferReleasesAllItsBuffers) {
  const std::string packed = MakeGzip("abc");
  for (const std::string& reply :
       {Ok("plain"), Ok("short") + "", std::string("HTTP/1.1 200 OK\r\nContent-Length: 9\r\n\r\nshort"),
        "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n" + MakeChunked({"x"}),
        "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nContent-Encoding: gzip\r\n\r\n" + MakeChunked({packed}),
        Ok(packed, "Content-Encoding: gzip\r\n"), Ok("bad gzip", "Content-Encoding: gzip\r\n"),
        "HTTP/1.1 200 OK\r\nContent-Encoding: gzip\r\n\r\n" + packed, std::string("HTTP/1.1 500 Oops\r\n\r\n")}) {
    LoopbackServer server(Reply(reply));
    QuickHttp http;
    Get(http, server.Url("/"));
    EXPECT_EQ(http.headBlocks.count() + http.chunkBlocks.count() + http.decodeBlocks.count(), 0u) << reply;
  }
}

TEST(Redirects, ChainsAreFollowedWithTheSameRequest) {
  LoopbackServer last(Reply(Ok("arrived")));
  LoopbackServer middle(Reply("HTTP/1.1 302 Found\r\nlocation: " + last.Url("/end") + "\r\n\r\n"));
  LoopbackServer first(Reply("HTTP/1.1 302 Found\r\nLocation: " + middle.Url("/mid") + "\r\n\r\n"));
  WHttp http;
  std::string body;
  EXPECT_EQ(http.Request(first.Url("/start").c_str(), "x", 1, body, "POST", "P: 1\r\n", ""), Success);
  EXPECT_EQ(body, "arrived");
  EXPECT_EQ(last.request().substr(0, 18), "POST /end HTTP/1.1");
  EXPECT_NE(last.request().find("P: 1\r\n"), std::string::npos);
  EXPECT_EQ(last.request().substr(last.request().size() - 5), "\r\n\r\nx");
}

TEST(Redirects, GetFollowsOnlyWhenAsked) {
  LoopbackServer target(Reply(Ok("there")));
  LoopbackServer server(Reply("HTTP/1.1 302 Found\r\nLocation: " + target.Url("/") + "\r\n\r\n"));
  WHttp http;
  Fetched notFollowed = Get(http, server.Url("/"), false);
  EXPECT_EQ(notFollowed.result, HttpJump);
  EXPECT_EQ(notFollowed.body, "<untouched>");
  EXPECT_EQ(Get(http, server.Url("/"), true).body, "there");
  // Only 302 is followed.
  LoopbackServer temporary(Reply("HTTP/1.1 307 Temporary\r\nLocation: " + target.Url("/") + "\r\n\r\n"));
  EXPECT_EQ(Get(http, temporary.Url("/"), true).result, HttpTypeError);
}

TEST(Redirects, LoopsStopAfterTenHops) {
  LoopbackServer server(Reply("HTTP/1.1 302 Found\r\nLocation: http://127.0.0.1:$PORT/again\r\n\r\n"));
  WHttp http;
  EXPECT_EQ(Get(http, server.Url("/"), true).result, HttpJump);
  EXPECT_EQ(server.connections(), 11u);
  EXPECT_EQ(server.request(10).substr(0, 10), "GET /again");
  std::string body;
  EXPECT_EQ(http.Request(server.Url("/").c_str(), nullptr, 0, body, "POST", "", ""), HttpJump);
  EXPECT_EQ(server.connections(), 22u);
}

TEST(Redirects, RelativeLocationsAreResolvedAgainstTheCurrentUrl) {
  LoopbackServer target(Reply(Ok("found")));
  const std::string authority = "127.0.0.1:" + std::to_string(target.port());
  for (const std::string& location : {"//" + authority + "/abs", std::string("/abs")}) {
    LoopbackServer server(std::vector<ScriptedReply>{Reply("HTTP/1.1 302 Found\r\nLocation: " + location + "\r\n\r\n"),
                                                     Reply(Ok("same server"))});
    WHttp http;
    Fetched f = Get(http, server.Url("/dir/page?q=1"), true);
    EXPECT_EQ(f.result, Success) << location;
    EXPECT_EQ(f.body, location[1] == '/' ? "found" : "same server") << location;
  }
  LoopbackServer relative(std::vector<ScriptedReply>{Reply("HTTP/1.1 302 Found\r\nLocation: ../up/x#frag\r\n\r\n"),
                                                     Reply(Ok("up"))});
  WHttp http;
  EXPECT_EQ(Get(http, relative.Url("/a/b/c"), true).body, "up");
  EXPECT_EQ(relative.request(1).substr(0, 20), "GET /a/up/x HTTP/1.1");
  // A 302 without a Location leads nowhere.
  LoopbackServer nowhere(Reply("HTTP/1.1 302 Found\r\nContent-Length: 0\r\n\r\n"));
  EXPECT_EQ(Get(http, nowhere.Url("/"), true).result, HttpUrlError);
  EXPECT_EQ(nowhere.connections(), 1u);
  // The redirect rule stays: only 302 is followed.
  LoopbackServer moved(Reply("HTTP/1.1 303 See Other\r\nLocation: /abs\r\nContent-Length: 0\r\n\r\n"));
  EXPECT_EQ(Get(http, moved.Url("/"), true).result, HttpTypeError);
  EXPECT_EQ(moved.connections(), 1u);
}

TEST(Connection, RefusedAndBadUrls) {
  WHttp http;
  // A host name too long to keep must not send the request to the last host.
  LoopbackServer server(Reply(Ok("wrong host")));
  EXPECT_EQ(Get(http, server.Url("/")).result, Success);
  EXPECT_EQ(Get(http, "http://" + std::string(129, 'h') + ":" + std::to_string(server.port()) + "/").result,
            HttpUrlError);
  EXPECT_EQ(server.connections(), 1u);
  std::string body;
  EXPECT_EQ(http.Exchange(nullptr, 10, body), NetSendError);
  http.requestText.clear();
  EXPECT_EQ(http.Exchange(http.requestText.data(), 0, body), NetSendError);
  EXPECT_EQ(Get(http, "http://127.0.0.1:" + std::to_string(UnusedLoopbackPort()) + "/").result, NetConnectError);
  EXPECT_EQ(Get(http, "https://127.0.0.1/").result, HttpUrlError);
  EXPECT_EQ(http.ioSocket, -1);
}

WHttp* g_stopTarget = nullptr;
int g_readsBeforeStop = 0;

int StopOnThirdRead(int32_t* socket, char* buffer, int32_t length, int32_t flags) {
  if (++g_readsBeforeStop == 3) g_stopTarget->RequestStop();
  return ScriptedRecv(socket, buffer, length, flags);
}

TEST(Stop, EndsTheBodyReadAfterTheCurrentRound) {
  SetScriptedPeer({{"HTTP/1.1 200 OK\r\nContent-Length: 1000000\r\n\r\n"}, {std::string(100, 'a')},
                   {std::string(100, 'b')}, {std::string(999800, 'c')}});
  WHttp http;
  http.SetReadPause(0);
  http.recvFn = &StopOnThirdRead;
  http.sendFn = [](int32_t*, const char*, int32_t length, int32_t) { return static_cast<int>(length); };
  g_stopTarget = &http;
  g_readsBeforeStop = 0;
  std::string body;
  EXPECT_EQ(http.Exchange("GET / HTTP/1.1\r\n\r\n", 18, body), NetReadError);
  EXPECT_EQ(g_readsBeforeStop, 3);
  EXPECT_EQ(http.received, 200);
}

TEST(Stop, ProgressIsReadableFromAnotherThread) {
  const std::string big = PatternBytes(2000000);
  LoopbackServer server(ScriptedReply{{"HTTP/1.1 200 OK\r\nContent-Length: 2000000\r\n\r\n", big.substr(0, 1000000),
                                       big.substr(1000000)}, 30, false});
  WHttp http;
  http.SetReadPause(0);
  std::atomic<bool> done{false};
  int64_t seen = 0;
  std::thread watcher([&] {
    do {
      seen = std::max<int64_t>(seen, http.received.load());
    } while (!done);
  });
  EXPECT_EQ(Get(http, server.Url("/")).result, Success);
  done = true;
  watcher.join();
  EXPECT_GT(seen, 0);
  EXPECT_EQ(http.contentLength, 2000000);
}

}  // namespace
