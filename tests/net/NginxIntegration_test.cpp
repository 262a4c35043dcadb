// The client against a real server: nginx on a private loopback port.
#include <sys/socket.h>
#include <zlib.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "net/WHttp.h"
#include "tests/net/support/NetTestSupport.h"
#include "tests/net/support/NginxServer.h"
#include "tests/support/TempDir.h"

namespace {

uint32_t Checksum(const std::string& bytes) {
  return static_cast<uint32_t>(
      crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
}

class NginxTest : public ::testing::Test {
 protected:
  // A skip inside a helper only leaves the helper; here it skips the test.
  void SetUp() override {
    if (NginxServer::FindBinary().empty()) GTEST_SKIP() << "nginx is not installed";
  }
  // Callers wrap it in ASSERT_NO_FATAL_FAILURE: a failed start ends the test.
  void StartServer(bool gzip) {
    ASSERT_EQ(mkdir((dir_ / "www").c_str(), 0755), 0);
    server_ = std::make_unique<NginxServer>(dir_.path(), dir_ / "www", gzip);
    ASSERT_TRUE(server_->Start()) << server_->ErrorLog();
  }
  void Publish(const std::string& name, const std::string& bytes) { WriteFileBytes(dir_ / ("www/" + name), bytes); }

  TempDir dir_;
  std::unique_ptr<NginxServer> server_;
};

TEST_F(NginxTest, StaticFileGetAndDownload) {
  ASSERT_NO_FATAL_FAILURE(StartServer(false));
  const std::string text = "plain text from nginx\n";
  const std::string binary = PatternBytes(3 * 1024 * 1024 + 17);
  Publish("a.txt", text);
  Publish("b.bin", binary);
  WHttp http;
  http.SetReadPause(0);
  std::string body;
  ASSERT_EQ(http.Get(server_->Url("/a.txt").c_str(), body, false, ""), Success);
  EXPECT_EQ(body, text);
  EXPECT_EQ(http.status, 200);
  ASSERT_EQ(http.DownloadFile(server_->Url("/b.bin").c_str(), (dir_ / "out.bin").c_str(), false, false), Success);
  EXPECT_EQ(Checksum(ReadFileBytes(dir_ / "out.bin")), Checksum(binary));
  EXPECT_EQ(http.Get(server_->Url("/missing").c_str(), body, false, ""), HttpTypeError);
  EXPECT_EQ(http.status, 404);
}

TEST_F(NginxTest, GzipEncodedAnswersAreDecoded) {
  ASSERT_NO_FATAL_FAILURE(StartServer(true));
  std::string text;
  for (int i = 0; i < 20000; ++i) text += "line " + std::to_string(i) + " of a compressible text\n";
  Publish("big.txt", text);
  WHttp http;
  http.SetReadPause(0);
  std::string body;
  ASSERT_EQ(http.Get(server_->Url("/big.txt").c_str(), body, false, ""), Success);
  EXPECT_EQ(body, text);
  EXPECT_TRUE(http.HeaderValue("Content-Encoding") == "gzip") << http.rawHead;
  ASSERT_EQ(http.DownloadFile(server_->Url("/big.txt").c_str(), (dir_ / "big.out").c_str(), false, false), Success);
  EXPECT_EQ(ReadFileBytes(dir_ / "big.out"), "\xEF\xBB\xBF" + text);
}

int64_t g_bytesBeforeCut = 0;

// A connection that breaks after a given number of body bytes.
int CuttingRecv(int32_t* socket, char* buffer, int32_t length, int32_t flags) {
  if (g_bytesBeforeCut <= 0) {
    shutdown(*socket, SHUT_RDWR);
    return -1;
  }
  int got = WSocket::TimedRecv(socket, buffer, static_cast<int32_t>(std::min<int64_t>(length, g_bytesBeforeCut)), flags);
  if (got > 0) g_bytesBeforeCut -= got;
  return got;
}

TEST_F(NginxTest, RangeResumeAfterACutConnectionGivesTheSameFile) {
  ASSERT_NO_FATAL_FAILURE(StartServer(false));
  const std::string binary = PatternBytes(5 * 1024 * 1024 + 3);
  Publish("c.bin", binary);
  const std::string out = dir_ / "c.part";
  WHttp http;
  http.SetReadPause(0);
  http.recvFn = &CuttingRecv;
  g_bytesBeforeCut = 2 * 1024 * 1024 + 12345;
  EXPECT_EQ(http.DownloadFile(server_->Url("/c.bin").c_str(), out.c_str(), false, false), NetReadError);
  const std::string partial = ReadFileBytes(out);
  ASSERT_GT(partial.size(), 0u);
  ASSERT_LT(partial.size(), binary.size());
  EXPECT_EQ(partial, binary.substr(0, partial.size()));

  http.ResetIo();
  ASSERT_EQ(http.DownloadFile(server_->Url("/c.bin").c_str(), out.c_str(), true, false), Success);
  EXPECT_EQ(http.status, 206);
  EXPECT_EQ(http.resumeOffset, static_cast<int64_t>(partial.size()));
  EXPECT_EQ(http.resumeOffset + http.received, static_cast<int64_t>(binary.size()));
  EXPECT_EQ(Checksum(ReadFileBytes(out)), Checksum(binary));

  // Resuming a complete file: nginx answers 416 and the file stays.
  EXPECT_EQ(http.DownloadFile(server_->Url("/c.bin").c_str(), out.c_str(), true, false), HttpTypeError);
  EXPECT_EQ(http.status, 416);
  EXPECT_EQ(Checksum(ReadFileBytes(out)), Checksum(binary));
}

}  // namespace
