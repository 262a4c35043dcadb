// A task's own request headers: checked when added, sent with every request
// (a resumed one too), and never written beside the part file.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "dl/PartRecord.h"
#include "dl/TaskHeaders.h"
#include "tests/dl/support/EngineTestSupport.h"
#include "tests/dl/support/HttpTestServer.h"
#include "tests/support/TempDir.h"

TEST(TaskHeaders, LinesSplitAndBadHeadersAreRefusedWithAReason) {
  std::pair<std::string, std::string> header;
  std::string error;
  ASSERT_TRUE(SplitHeaderLine("Cookie:  a=1; b=2 ", header, error));
  EXPECT_EQ(header.first, "Cookie");
  EXPECT_EQ(header.second, "a=1; b=2");
  EXPECT_FALSE(SplitHeaderLine("no colon", header, error));
  EXPECT_NE(error.find("colon"), std::string::npos);

  EXPECT_TRUE(CheckTaskHeaders({{"Referer", "http://x/"}, {"Cookie", "a=\tb"}}, error)) << error;
  for (const HeaderList& bad : {HeaderList{{"Cookie", "a\r\nX-Evil: 1"}}, HeaderList{{"Cookie", std::string("a\0b", 3)}},
                                HeaderList{{"X-A", "bell\x07"}}, HeaderList{{"X\nA", "v"}}}) {
    EXPECT_FALSE(CheckTaskHeaders(bad, error));
    EXPECT_NE(error.find("control character"), std::string::npos) << error;
  }
  EXPECT_FALSE(CheckTaskHeaders({{"Bad Name", "v"}}, error));
  EXPECT_FALSE(CheckTaskHeaders({{"", "v"}}, error));
  EXPECT_FALSE(CheckTaskHeaders({{"range", "bytes=0-"}}, error));
  EXPECT_NE(error.find("set by the download engine"), std::string::npos) << error;
  EXPECT_FALSE(CheckTaskHeaders({{"User-Agent", "A/1"}, {"user-agent", "B/2"}}, error));
  EXPECT_NE(error.find("more than once"), std::string::npos) << error;
}

TEST(TaskHeaders, GoWithEveryRequestAndStayOutOfTheRecord) {
  Resource file(PatternBytes(2 << 20, 3));
  file.pace = 4 << 20;
  HttpTestServer server([&](const HttpRequest& request, ServerPeer& peer, size_t) { ServeResource(request, peer, file); });
  TempDir dir;
  DownloadEngine engine(FastSettings());
  TaskOptions options;
  options.headers = {{"Cookie", "session=SECRET42"}, {"Referer", "http://127.0.0.1/page"}, {"User-Agent", "Browser/153"}};
  std::string error;
  EXPECT_EQ(engine.Add(server.Url("/f.bin"), dir.path(), TaskOptions{"", 0, "", true, {{"Cookie", "a\r\nb: c"}}}, error), 0);
  EXPECT_NE(error.find("control character"), std::string::npos) << error;

  int64_t id = AddTask(engine, server.Url("/f.bin"), dir.path(), options);
  Eventually([&] { return engine.Info(id)->done >= (512 << 10); });
  ASSERT_TRUE(engine.Pause(id, error)) << error;
  std::string record = ReadFileBytes(PartRecordPath(dir / "f.bin.part"));
  EXPECT_FALSE(record.empty());
  EXPECT_EQ(record.find("SECRET42"), std::string::npos);
  ASSERT_TRUE(engine.Start(id, error)) << error;
  TaskSnapshot end = WaitForEnd(engine, id);
  ASSERT_EQ(end.state, TaskState::Done) << end.error;
  EXPECT_TRUE(ReadFileBytes(dir / "f.bin") == file.body);
  ASSERT_GE(server.requests().size(), 2u);
  for (const HttpRequest& request : server.requests()) {
    EXPECT_EQ(request.Header("Cookie"), "session=SECRET42");
    EXPECT_EQ(request.Header("Referer"), "http://127.0.0.1/page");
    EXPECT_EQ(request.Header("User-Agent"), "Browser/153");
  }
  EXPECT_FALSE(server.requests().back().Header("Range").empty());
}
