// Answers real servers give in place of the file: cuts at the same place,
// web pages, other lengths and versions, "later", codings, digests, and a
// link that expired. Each either finishes with the right bytes or fails
// with its cause and keeps what was held.
#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <mutex>
#include <vector>

#include "dl/PartRecord.h"
#include "platform/Files.h"
#include "tests/dl/support/EngineTestSupport.h"
#include "tests/dl/support/HttpTestServer.h"
#include "tests/support/TempDir.h"

namespace {

TaskOptions Named(const std::string& name) {
  TaskOptions options;
  options.name = name;
  options.connections = 1;
  return options;
}

// Waits between tries are noted and skipped, so no test sleeps through them.
struct NotedPauses {
  std::mutex mutex;
  std::vector<int64_t> waits;
  EngineSettings Settings() {
    EngineSettings settings = FastSettings();
    settings.retry.pause = [this](const std::function<bool()>& stopped, int64_t ms) {
      std::lock_guard lock(mutex);
      waits.push_back(ms);
      return !stopped();
    };
    settings.retry.wallClock = [] { return int64_t{784111777}; };
    return settings;
  }
};

std::string Page(int status, const std::string& reason, const std::string& extra, const std::string& body) {
  return "HTTP/1.1 " + std::to_string(status) + " " + reason + "\r\nContent-Length: " + std::to_string(body.size()) +
         "\r\n" + extra + "\r\n" + body;
}

const std::string kLoginPage = "<html><body>Please log in</body></html>";

void ExpectPartKept(const TempDir& dir, const std::string& name, const std::string& bytes) {
  EXPECT_TRUE(ReadFileBytes(dir / name + ".part") == bytes) << name;
  EXPECT_TRUE(platform::PathExists(PartRecordPath(dir / name + ".part"))) << name;
  EXPECT_FALSE(platform::PathExists(dir / name)) << name;
}

}  // namespace

TEST(WebAnswers, AServerCuttingAtTheSamePlaceFailsWithCauseCutAfterTheBudget) {
  const std::string body = PatternBytes(60000);
  std::atomic<int> requests{0};
  HttpTestServer server([&](const HttpRequest& request, ServerPeer& peer, size_t) {
    ++requests;
    // One ignores Range and cuts at byte 30000; the other honours it and
    // cuts there too, sending nothing beyond.
    bool ranges = request.target == "/ranges.bin";
    Resource resource{body, "\"v1\"", ranges};
    std::string range = request.Header("Range");
    int64_t from = ranges && range.starts_with("bytes=") ? std::atoll(range.c_str() + 6) : 0;
    resource.cutAfter = std::max<int64_t>(30000 - from, 0);
    ServeResource(request, peer, resource);
  });
  TempDir dir;
  NotedPauses pauses;
  DownloadEngine engine(pauses.Settings());
  for (const char* name : {"norange.bin", "ranges.bin"}) {
    requests = 0;
    TaskSnapshot end = WaitForEnd(engine, AddTask(engine, server.Url(std::string("/") + name), dir.path(), Named(name)));
    ASSERT_EQ(end.state, TaskState::Failed) << name;
    EXPECT_EQ(end.cause, FailureCause::Cut) << end.error;
    EXPECT_NE(end.error.find("beyond byte 30000"), std::string::npos) << end.error;
    // The first answer brought bytes; five more that brought none end it.
    EXPECT_EQ(requests.load(), 6) << name;
    EXPECT_EQ(end.done, 30000) << name;
    ExpectPartKept(dir, name, body.substr(0, 30000));
  }
}

TEST(WebAnswers, ResumingAgainstAWebPageOrAnotherLengthKeepsThePartAndSaysWhy) {
  const std::string body = PatternBytes(80000);
  HttpTestServer server([&](const HttpRequest& request, ServerPeer& peer, size_t) {
    if (request.target == "/expired.bin")
      return void(peer.Send(Page(200, "OK", "Content-Type: text/html; charset=utf-8\r\n", kLoginPage)));
    if (request.target == "/shorter.bin")  // the same version, declared shorter
      return void(peer.Send(Page(200, "OK", "ETag: \"v1\"\r\n", body.substr(0, 50000))));
    peer.Send(Page(200, "OK", "ETag: \"v9\"\r\n", body.substr(0, 70000)));
  });
  TempDir dir;
  const std::string held = body.substr(0, 20000);
  for (const char* name : {"expired.bin", "shorter.bin", "other.bin"})
    LeavePartial(dir.path(), name, server.Url(std::string("/") + name), held, 80000);
  DownloadEngine engine(FastSettings());
  std::map<std::string, TaskSnapshot> ends;
  for (const char* name : {"expired.bin", "shorter.bin", "other.bin"}) {
    TaskSnapshot end = ends[name] =
        WaitForEnd(engine, AddTask(engine, server.Url(std::string("/") + name), dir.path(), Named(name)));
    ASSERT_EQ(end.state, TaskState::Failed) << name;
    EXPECT_EQ(end.cause, FailureCause::ChangedAnswer) << name << ": " << end.error;
    EXPECT_NE(end.error.find("part is kept"), std::string::npos) << end.error;
    ExpectPartKept(dir, name, held);
  }
  EXPECT_NE(ends["expired.bin"].error.find("web page (text/html"), std::string::npos) << ends["expired.bin"].error;
  EXPECT_NE(ends["shorter.bin"].error.find("start over"), std::string::npos) << ends["shorter.bin"].error;
}

TEST(WebAnswers, StartingOverDiscardsThePartOnlyWhenAsked) {
  const std::string v1 = PatternBytes(80000, 1), v2 = PatternBytes(50000, 2);
  HttpTestServer server([&](const HttpRequest& request, ServerPeer& peer, size_t) {
    // The same tag for another length, whole or as a range.
    if (request.target == "/r.bin" && !request.Header("Range").empty())
      return void(peer.Send("HTTP/1.1 206 Partial Content\r\nETag: \"v1\"\r\nContent-Range: bytes 20000-49999/50000\r\n"
                            "Content-Length: 30000\r\n\r\n" + v2.substr(20000)));
    ServeResource(request, peer, Resource{v2, "\"v1\""});
  });
  TempDir dir;
  LeavePartial(dir.path(), "f.bin", server.Url("/f.bin"), v1.substr(0, 20000), 80000);
  DownloadEngine engine(FastSettings());
  int64_t id = AddTask(engine, server.Url("/f.bin"), dir.path(), Named("f.bin"));
  ASSERT_EQ(WaitForEnd(engine, id).state, TaskState::Failed);
  Failure failure;
  ASSERT_TRUE(engine.Restart(id, false, failure)) << failure.message;
  TaskSnapshot end = WaitForEnd(engine, id);
  ASSERT_EQ(end.state, TaskState::Done) << end.error;
  EXPECT_TRUE(ReadFileBytes(dir / "f.bin") == v2);
  LeavePartial(dir.path(), "r.bin", server.Url("/r.bin"), v1.substr(0, 20000), 80000);
  TaskSnapshot range = WaitForEnd(engine, AddTask(engine, server.Url("/r.bin"), dir.path(), Named("r.bin")));
  EXPECT_EQ(range.cause, FailureCause::ChangedAnswer) << range.error;
  EXPECT_NE(range.error.find("start over"), std::string::npos) << range.error;
  ExpectPartKept(dir, "r.bin", v1.substr(0, 20000));
  EXPECT_FALSE(engine.Restart(9999, false, failure));
  EXPECT_EQ(failure.cause, FailureCause::BadInput);
}

TEST(WebAnswers, ARangeOfAnotherVersionIsNeverWrittenEvenOnTheTasksOwnConnection) {
  const std::string v1 = PatternBytes(80000, 1), v2 = PatternBytes(80000, 2);
  HttpTestServer server([&](const HttpRequest& request, ServerPeer& peer, size_t) {
    // Ignores If-Range: the range comes from the new version.
    Resource resource{v2, "\"v2\""};
    HttpRequest unconditional = request;
    unconditional.text.clear();
    std::string range = request.Header("Range");
    std::string head = "HTTP/1.1 206 Partial Content\r\nContent-Range: bytes 20000-79999/80000\r\n"
                       "Content-Length: 60000\r\nETag: \"v2\"\r\n\r\n";
    if (!range.empty()) return void(peer.Send(head + v2.substr(20000)));
    ServeResource(request, peer, resource);
  });
  TempDir dir;
  LeavePartial(dir.path(), "mixed.bin", server.Url("/mixed.bin"), v1.substr(0, 20000), 80000);
  DownloadEngine engine(FastSettings());
  TaskSnapshot end = WaitForEnd(engine, AddTask(engine, server.Url("/mixed.bin"), dir.path(), Named("mixed.bin")));
  ASSERT_EQ(end.state, TaskState::Failed);
  EXPECT_EQ(end.cause, FailureCause::ChangedFile) << end.error;
  ExpectPartKept(dir, "mixed.bin", v1.substr(0, 20000));
}

TEST(WebAnswers, AWebPageForALinkToAnArchiveFailsUnlessItIsWanted) {
  HttpTestServer server([&](const HttpRequest&, ServerPeer& peer, size_t) {
    peer.Send(Page(200, "OK", "Content-Type: text/html\r\n", kLoginPage));
  });
  TempDir dir;
  DownloadEngine engine(FastSettings());
  TaskSnapshot refused = WaitForEnd(engine, AddTask(engine, server.Url("/release.zip"), dir.path()));
  ASSERT_EQ(refused.state, TaskState::Failed);
  EXPECT_EQ(refused.cause, FailureCause::WebPage) << refused.error;
  EXPECT_FALSE(platform::PathExists(dir / "release.zip"));
  // A page is what a link to a page brings.
  TaskSnapshot page = WaitForEnd(engine, AddTask(engine, server.Url("/index.html"), dir.path()));
  EXPECT_EQ(page.state, TaskState::Done) << page.error;
  TaskOptions wanted;
  wanted.acceptWebPage = true;
  TaskSnapshot kept = WaitForEnd(engine, AddTask(engine, server.Url("/notes.iso"), dir.path(), wanted));
  ASSERT_EQ(kept.state, TaskState::Done) << kept.error;
  EXPECT_EQ(ReadFileBytes(dir / "notes.iso"), kLoginPage);
  // "Save it anyway" on the refused one.
  Failure failure;
  ASSERT_TRUE(engine.Restart(refused.id, true, failure)) << failure.message;
  EXPECT_EQ(WaitForEnd(engine, refused.id).state, TaskState::Done);
}

TEST(WebAnswers, LaterMeansLaterWithinTheBudgetAndRetryAfterIsHonoured) {
  const std::string body = PatternBytes(30000);
  std::atomic<int> busy{0}, limited{0};
  HttpTestServer server([&](const HttpRequest& request, ServerPeer& peer, size_t) {
    if (request.target == "/busy.bin" && ++busy <= 2)
      return void(peer.Send(Page(503, "Service Unavailable", "Retry-After: 7\r\n", "busy")));
    if (request.target == "/dated.bin" && ++limited <= 2)
      return void(peer.Send(Page(429, "Too Many Requests", "Retry-After: Sun, 06 Nov 1994 09:49:37 GMT\r\n", "")));
    if (request.target == "/always.bin") return void(peer.Send(Page(502, "Bad Gateway", "", "")));
    if (request.target == "/gone.bin") return void(peer.Send(Page(404, "Not Found", "", "")));
    ServeResource(request, peer, Resource{body});
  });
  TempDir dir;
  NotedPauses pauses;
  DownloadEngine engine(pauses.Settings());
  TaskSnapshot busyEnd = WaitForEnd(engine, AddTask(engine, server.Url("/busy.bin"), dir.path()));
  ASSERT_EQ(busyEnd.state, TaskState::Done) << busyEnd.error;
  EXPECT_TRUE(ReadFileBytes(dir / "busy.bin") == body);
  {
    std::lock_guard lock(pauses.mutex);
    ASSERT_EQ(pauses.waits.size(), 2u);
    EXPECT_EQ(pauses.waits[0], 7000);
    pauses.waits.clear();
  }
  // An hour away is held to ten minutes.
  TaskSnapshot dated = WaitForEnd(engine, AddTask(engine, server.Url("/dated.bin"), dir.path()));
  ASSERT_EQ(dated.state, TaskState::Done) << dated.error;
  {
    std::lock_guard lock(pauses.mutex);
    ASSERT_EQ(pauses.waits.size(), 2u);
    EXPECT_EQ(pauses.waits[0], 600000);
  }
  TaskSnapshot always = WaitForEnd(engine, AddTask(engine, server.Url("/always.bin"), dir.path()));
  EXPECT_EQ(always.state, TaskState::Failed);
  EXPECT_EQ(always.cause, FailureCause::HttpStatus);
  EXPECT_NE(always.error.find("after 5 tries"), std::string::npos) << always.error;
  size_t before = server.requests().size();
  TaskSnapshot gone = WaitForEnd(engine, AddTask(engine, server.Url("/gone.bin"), dir.path()));
  EXPECT_EQ(gone.state, TaskState::Failed);
  EXPECT_EQ(server.requests().size(), before + 1) << "a 404 is not tried again";
}

TEST(WebAnswers, NoneIdentityAndStackedCodingsAreDecodedAndAnUnknownOneIsNamed) {
  const std::string text = "stacked and plain bodies alike";
  HttpTestServer server([&](const HttpRequest& request, ServerPeer& peer, size_t) {
    if (request.target == "/none.txt") return void(peer.Send(Page(200, "OK", "Content-Encoding: NONE\r\n", text)));
    if (request.target == "/twice.txt")
      return void(peer.Send(Page(200, "OK", "Content-Encoding: gzip, identity\r\nContent-Encoding: gzip\r\n",
                                 GzipBytes(GzipBytes(text)))));
    if (request.target == "/chunked.txt")
      return void(peer.Send("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nTransfer-Encoding: chunked\r\n\r\n" +
                            std::string("5\r\nstack\r\n0\r\n\r\n")));
    peer.Send(Page(200, "OK", "Content-Encoding: br\r\n", "xx"));
  });
  TempDir dir;
  DownloadEngine engine(FastSettings());
  for (const char* name : {"none.txt", "twice.txt"}) {
    TaskSnapshot end = WaitForEnd(engine, AddTask(engine, server.Url(std::string("/") + name), dir.path()));
    ASSERT_EQ(end.state, TaskState::Done) << name << ": " << end.error;
    EXPECT_EQ(ReadFileBytes(dir / name), text) << name;
  }
  TaskSnapshot chunked = WaitForEnd(engine, AddTask(engine, server.Url("/chunked.txt"), dir.path()));
  ASSERT_EQ(chunked.state, TaskState::Done) << chunked.error;
  EXPECT_EQ(ReadFileBytes(dir / "chunked.txt"), "stack");
  TaskSnapshot unknown = WaitForEnd(engine, AddTask(engine, server.Url("/br.txt"), dir.path()));
  EXPECT_EQ(unknown.cause, FailureCause::Unsupported);
  EXPECT_NE(unknown.error.find("\"br\""), std::string::npos) << unknown.error;
}

TEST(WebAnswers, ARefreshedLinkContinuesTheSameFileAndRefusesAnother) {
  const std::string v1 = PatternBytes(80000, 1), v2 = PatternBytes(80000, 2);
  HttpTestServer server([&](const HttpRequest& request, ServerPeer& peer, size_t) {
    if (request.target == "/expired.bin") return void(peer.Send(Page(403, "Forbidden", "", "")));
    if (request.target == "/fresh.bin") return ServeResource(request, peer, Resource{v1, "\"v1\""});
    ServeResource(request, peer, Resource{v2, "\"v2\""});
  });
  TempDir dir;
  DownloadEngine engine(FastSettings());
  for (const char* name : {"same.bin", "other.bin"}) {
    LeavePartial(dir.path(), name, server.Url("/expired.bin"), v1.substr(0, 30000), 80000);
    int64_t id = AddTask(engine, server.Url("/expired.bin"), dir.path(), Named(name));
    ASSERT_EQ(WaitForEnd(engine, id).state, TaskState::Failed);
    Failure failure;
    EXPECT_FALSE(engine.SetUrl(id, "ftp://example.org/x", failure));
    EXPECT_EQ(failure.cause, FailureCause::BadInput);
    ASSERT_TRUE(engine.SetUrl(id, server.Url(name == std::string("same.bin") ? "/fresh.bin" : "/new.bin"), failure));
    std::string error;
    ASSERT_TRUE(engine.Start(id, error));
    TaskSnapshot end = WaitForEnd(engine, id);
    if (name == std::string("same.bin")) {
      ASSERT_EQ(end.state, TaskState::Done) << end.error;
      EXPECT_TRUE(ReadFileBytes(dir / name) == v1);
      EXPECT_EQ(server.requests().back().Header("Range"), "bytes=30000-");
    } else {
      ASSERT_EQ(end.state, TaskState::Failed);
      EXPECT_EQ(end.cause, FailureCause::ChangedAnswer) << end.error;
      ExpectPartKept(dir, name, v1.substr(0, 30000));
    }
  }
}

TEST(WebAnswers, ChecksumsFromTheScriptOrTheServerAreCheckedBeforeTheRename) {
  const std::string body = "abc";
  HttpTestServer server([&](const HttpRequest& request, ServerPeer& peer, size_t) {
    std::string extra = request.target == "/repr.bin"
                            ? "Repr-Digest: sha-256=:ungWv48Bz+pBQUDeXa4iI7ADYaOWF3qctBD/YfIAFa0=:\r\n"
                        : request.target == "/lying.bin" ? "Digest: SHA-256=47DEQpj8HBSa+/TImW+5JCeuQeRkm5NMpJWZG3hSuFU=\r\n"
                                                         : "";
    peer.Send(Page(200, "OK", extra, body));
  });
  TempDir dir;
  DownloadEngine engine(FastSettings());
  TaskSnapshot repr = WaitForEnd(engine, AddTask(engine, server.Url("/repr.bin"), dir.path()));
  ASSERT_EQ(repr.state, TaskState::Done) << repr.error;
  EXPECT_EQ(repr.checksumAlgorithm, "sha256");
  EXPECT_EQ(repr.checksumSource, "repr-digest");
  EXPECT_EQ(repr.checksumState, "verified");
  TaskSnapshot lying = WaitForEnd(engine, AddTask(engine, server.Url("/lying.bin"), dir.path()));
  ASSERT_EQ(lying.state, TaskState::Failed);
  EXPECT_EQ(lying.cause, FailureCause::Checksum);
  EXPECT_EQ(lying.checksumState, "mismatch");
  EXPECT_FALSE(platform::PathExists(dir / "lying.bin"));
  EXPECT_EQ(ReadFileBytes(dir / "lying.bin.part"), body);
  TaskOptions md5;
  md5.checksum = "md5=00000000000000000000000000000000";
  TaskSnapshot option = WaitForEnd(engine, AddTask(engine, server.Url("/plain.bin"), dir.path(), md5));
  EXPECT_EQ(option.cause, FailureCause::Checksum);
  EXPECT_EQ(option.checksumAlgorithm, "md5");
  EXPECT_EQ(option.checksumSource, "option");
  md5.checksum = "md5=900150983cd24fb0d6963f7d28e17f72";
  EXPECT_EQ(WaitForEnd(engine, AddTask(engine, server.Url("/plain2.bin"), dir.path(), md5)).state, TaskState::Done);
  std::string error;
  md5.checksum = "md5=123";
  EXPECT_EQ(engine.Add(server.Url("/x.bin"), dir.path(), md5, error), 0);
  EXPECT_NE(error.find("32 hexadecimal digits"), std::string::npos) << error;
}

TEST(WebAnswers, ARangeWithNoBodyIsACutNotAnEndlessLoop) {
  const std::string body = PatternBytes(6 << 20);
  HttpTestServer server([&](const HttpRequest& request, ServerPeer& peer, size_t) {
    std::string range = request.Header("Range");
    if (range.empty()) return ServeResource(request, peer, Resource{body});
    int64_t from = std::atoll(range.c_str() + 6);
    peer.Send("HTTP/1.1 206 Partial Content\r\nContent-Range: bytes " + std::to_string(from) + "-" +
              std::to_string(body.size() - 1) + "/" + std::to_string(body.size()) +
              "\r\nETag: \"v1\"\r\nContent-Length: 0\r\n\r\n");
  });
  TempDir dir;
  LeavePartial(dir.path(), "empty206.bin", server.Url("/empty206.bin"), body.substr(0, 1 << 20),
               static_cast<int64_t>(body.size()));
  DownloadEngine engine(FastSettings());
  for (int connections : {1, 4}) {
    TaskOptions options = Named("empty206.bin");
    options.connections = connections;
    int64_t id = AddTask(engine, server.Url("/empty206.bin"), dir.path(), options);
    TaskSnapshot end = WaitForEnd(engine, id);
    ASSERT_EQ(end.state, TaskState::Failed) << connections;
    EXPECT_EQ(end.name, "empty206.bin");
    EXPECT_EQ(end.cause, FailureCause::Cut) << end.error;
    EXPECT_TRUE(ReadFileBytes(dir / "empty206.bin.part").substr(0, 1 << 20) == body.substr(0, 1 << 20));
    EXPECT_TRUE(platform::PathExists(PartRecordPath(dir / "empty206.bin.part")));
    std::string error;
    ASSERT_TRUE(engine.Remove(id, false, error));
  }
}

TEST(WebAnswers, AFailedResumeNeverShrinksTheRecordBelowTheRangesHeld) {
  const std::string body = PatternBytes(6 << 20);
  HttpTestServer server([&](const HttpRequest& request, ServerPeer& peer, size_t) {
    // Every answer breaks at the same byte, a little past the first MiB.
    std::string range = request.Header("Range");
    int64_t from = range.starts_with("bytes=") ? std::atoll(range.c_str() + 6) : 0;
    Resource resource{body};
    resource.cutAfter = std::max<int64_t>((1 << 20) + 3000 - from, 0);
    ServeResource(request, peer, resource);
  });
  TempDir dir;
  // Left by a run over several connections: the first MiB and MiB 3-5.
  std::string part = body;
  std::fill(part.begin() + (1 << 20), part.begin() + (3 << 20), '\0');
  std::fill(part.begin() + (5 << 20), part.end(), '\0');
  WriteFileBytes(dir / "held.bin.part", part);
  PartRecord record;
  record.source = record.url = server.Url("/held.bin");
  record.total = static_cast<int64_t>(body.size());
  record.etag = "\"v1\"";
  record.AddDone(0, 1 << 20);
  record.AddDone(3 << 20, 5 << 20);
  ASSERT_EQ(SavePartRecord(PartRecordPath(dir / "held.bin.part"), record), 0);
  DownloadEngine engine(FastSettings());
  TaskSnapshot end = WaitForEnd(engine, AddTask(engine, server.Url("/held.bin"), dir.path(), Named("held.bin")));
  ASSERT_EQ(end.state, TaskState::Failed);
  EXPECT_EQ(end.cause, FailureCause::Cut) << end.error;
  PartRecord after;
  std::string why;
  ASSERT_TRUE(LoadPartRecord(PartRecordPath(dir / "held.bin.part"), after, why)) << why;
  ByteRanges expected;
  AddByteRange(expected, 0, (1 << 20) + 3000);
  AddByteRange(expected, 3 << 20, 5 << 20);
  EXPECT_EQ(after.done, expected);
}

TEST(WebAnswers, A416NamingTheRecordedLengthIsTriedAgainAndAShorterFileIsNot) {
  const std::string body = PatternBytes(50000);
  std::atomic<int> stray{0};
  HttpTestServer server([&](const HttpRequest& request, ServerPeer& peer, size_t) {
    std::string length = request.target == "/shrunk.bin" ? "10000" : "50000";
    if (request.target == "/shrunk.bin" || ++stray == 1)
      return void(peer.Send("HTTP/1.1 416 Range Not Satisfiable\r\nContent-Range: bytes */" + length +
                            "\r\nContent-Length: 0\r\n\r\n"));
    ServeResource(request, peer, Resource{body});
  });
  TempDir dir;
  LeavePartial(dir.path(), "stray.bin", server.Url("/stray.bin"), body.substr(0, 20000), 50000);
  LeavePartial(dir.path(), "shrunk.bin", server.Url("/shrunk.bin"), body.substr(0, 20000), 50000);
  DownloadEngine engine(FastSettings());
  TaskSnapshot end = WaitForEnd(engine, AddTask(engine, server.Url("/stray.bin"), dir.path(), Named("stray.bin")));
  ASSERT_EQ(end.state, TaskState::Done) << end.error;
  EXPECT_TRUE(ReadFileBytes(dir / "stray.bin") == body);
  size_t before = server.requests().size();
  TaskSnapshot shrunk = WaitForEnd(engine, AddTask(engine, server.Url("/shrunk.bin"), dir.path(), Named("shrunk.bin")));
  EXPECT_EQ(shrunk.cause, FailureCause::ChangedFile) << shrunk.error;
  EXPECT_EQ(server.requests().size(), before + 1);
  ExpectPartKept(dir, "shrunk.bin", body.substr(0, 20000));
}

TEST(WebAnswers, ARangeOfAnotherVersionAndLengthSaysItIsAnotherVersion) {
  const std::string v1 = PatternBytes(80000, 1), v2 = PatternBytes(90000, 2);
  HttpTestServer server([&](const HttpRequest&, ServerPeer& peer, size_t) {
    // If-Range ignored: the rest of the new, longer version.
    peer.Send("HTTP/1.1 206 Partial Content\r\nContent-Range: bytes 20000-89999/90000\r\nETag: \"v2\"\r\n"
              "Content-Length: 70000\r\n\r\n" + v2.substr(20000));
  });
  TempDir dir;
  LeavePartial(dir.path(), "v.bin", server.Url("/v.bin"), v1.substr(0, 20000), 80000);
  DownloadEngine engine(FastSettings());
  TaskSnapshot end = WaitForEnd(engine, AddTask(engine, server.Url("/v.bin"), dir.path(), Named("v.bin")));
  ASSERT_EQ(end.state, TaskState::Failed);
  EXPECT_EQ(end.cause, FailureCause::ChangedFile) << end.error;
  EXPECT_NE(end.error.find("another version"), std::string::npos) << end.error;
  ExpectPartKept(dir, "v.bin", v1.substr(0, 20000));
}
