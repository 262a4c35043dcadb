// A real full disk: a 1 MiB tmpfs mounted for the test (skipped where
// mounting is not permitted).
#include <sys/mount.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "dl/PartRecord.h"
#include "platform/Files.h"
#include "tests/dl/support/EngineTestSupport.h"
#include "tests/dl/support/HttpTestServer.h"
#include "tests/support/TempDir.h"

namespace {

class SmallDisk {
 public:
  explicit SmallDisk(const std::string& path) : path_(path) {
    mkdir(path.c_str(), 0777);
    mounted_ = mount("tmpfs", path.c_str(), "tmpfs", 0, "size=1m") == 0;
  }
  ~SmallDisk() {
    if (mounted_) umount2(path_.c_str(), MNT_DETACH);
  }
  bool mounted() const { return mounted_; }

 private:
  std::string path_;
  bool mounted_ = false;
};

}  // namespace

TEST(FullDisk, AWriteThatRunsOutOfSpaceFailsWithTheSystemsMessage) {
  TempDir dir;
  SmallDisk disk(dir / "small");
  if (!disk.mounted()) GTEST_SKIP() << "cannot mount a small tmpfs here";
  const std::string body = PatternBytes(2 << 20);
  HttpTestServer server([&](const HttpRequest& request, ServerPeer& peer, size_t) {
    if (request.target == "/known.bin") return ServeResource(request, peer, Resource{body});
    // No length: nothing to check before writing.
    peer.Send("HTTP/1.0 200 OK\r\n\r\n" + body);
  });
  DownloadEngine engine(FastSettings());
  TaskSnapshot unknown = WaitForEnd(engine, AddTask(engine, server.Url("/unknown.bin"), dir / "small"));
  EXPECT_EQ(unknown.state, TaskState::Failed);
  EXPECT_NE(unknown.error.find("No space left on device"), std::string::npos) << unknown.error;
  EXPECT_EQ(unknown.cause, FailureCause::Disk);
  EXPECT_TRUE(platform::PathExists(dir / "small/unknown.bin.part"));
  EXPECT_FALSE(platform::PathExists(dir / "small/unknown.bin"));
  platform::RemoveFile(dir / "small/unknown.bin.part");
  TaskSnapshot known = WaitForEnd(engine, AddTask(engine, server.Url("/known.bin"), dir / "small"));
  EXPECT_EQ(known.state, TaskState::Failed);
  EXPECT_EQ(known.error.rfind("no space: 2097152 bytes needed, ", 0), 0u) << known.error;
  EXPECT_EQ(known.cause, FailureCause::Disk);
}
