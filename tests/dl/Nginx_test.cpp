// Against a real server: a private nginx on loopback (skipped without nginx).
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "net/HttpGet.h"
#include "tests/dl/support/EngineTestSupport.h"
#include "tests/dl/support/HttpTestServer.h"
#include "tests/net/support/NginxServer.h"
#include "tests/support/TempDir.h"

namespace {

class NginxDownload : public ::testing::Test {
 protected:
  void SetUp() override {
    if (NginxServer::FindBinary().empty()) GTEST_SKIP() << "nginx is not installed";
    mkdir((work / "www").c_str(), 0777);
    WriteFileBytes(work / "www/big.bin", big);
    std::string text;
    for (int i = 0; i < 50000; ++i) text += "row " + std::to_string(i) + "\n";
    WriteFileBytes(work / "www/rows.txt", text);
    nginx = std::make_unique<NginxServer>(work.path(), work / "www", true);
    if (!nginx->Start()) GTEST_SKIP() << "nginx did not start: " << nginx->ErrorLog();
  }

  TempDir work, out;
  const std::string big = PatternBytes(8 << 20, 11);
  std::unique_ptr<NginxServer> nginx;
};

}  // namespace

TEST_F(NginxDownload, IdentityFilesAreByteIdenticalEvenWithGzipOn) {
  DownloadEngine engine(FastSettings());
  for (const char* name : {"big.bin", "rows.txt"}) {
    TaskSnapshot end = WaitForEnd(engine, AddTask(engine, nginx->Url(std::string("/") + name), out.path()));
    ASSERT_EQ(end.state, TaskState::Done) << end.error;
    EXPECT_TRUE(ReadFileBytes(out / name) == ReadFileBytes(work / ("www/" + std::string(name)))) << name;
  }
  TaskSnapshot missing = WaitForEnd(engine, AddTask(engine, nginx->Url("/nope.bin"), out.path()));
  EXPECT_EQ(missing.state, TaskState::Failed);
  EXPECT_EQ(missing.error, "server answered 404 Not Found");
}

TEST_F(NginxDownload, APausedTransferResumesWithTheServersValidators) {
  DownloadEngine engine(FastSettings());
  engine.SetLimit(2 << 20);
  int64_t id = AddTask(engine, nginx->Url("/big.bin"), out.path());
  Eventually([&] { return engine.Info(id)->done >= (1 << 20); });
  std::string error;
  ASSERT_TRUE(engine.Pause(id, error));
  int64_t kept = engine.Info(id)->done;
  EXPECT_GT(kept, 0);
  EXPECT_LT(kept, static_cast<int64_t>(big.size()));
  engine.SetLimit(0);
  ASSERT_TRUE(engine.Start(id, error));
  TaskSnapshot end = WaitForEnd(engine, id);
  ASSERT_EQ(end.state, TaskState::Done) << end.error;
  EXPECT_TRUE(ReadFileBytes(out / "big.bin") == big);
}

TEST_F(NginxDownload, HttpGetDecodesTheCompressedAnswer) {
  HttpGetAnswer answer;
  std::string error;
  ASSERT_TRUE(HttpGet(nginx->Url("/rows.txt"), {}, answer, error)) << error;
  EXPECT_EQ(answer.status, 200);
  bool gzipped = false;
  for (auto& [name, value] : answer.headers) gzipped = gzipped || (name == "Content-Encoding" && value == "gzip");
  EXPECT_TRUE(gzipped);
  EXPECT_TRUE(answer.body == ReadFileBytes(work / "www/rows.txt"));
}
