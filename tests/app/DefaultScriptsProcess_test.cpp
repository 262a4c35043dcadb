// The real velmora program on the shipped scripts, as a user starts it:
// offscreen, with its own data, configuration and window-link folders.
// Links given on its command line, handed over by velmora-send and by a
// second start become tasks that are in the database after the window
// closes, and the scripts report nothing on the diagnostic channel.
#include <string>

#include <gtest/gtest.h>

#include "tests/app/VelmoraProcess.h"

namespace {

TEST(DefaultScriptsProcess, LinksFromOutsideBecomeStoredTasksWithoutScriptReports) {
  TempDir home;
  {
    VelmoraProcess velmora(home);
    velmora.Start(" " + Quoted("http://127.0.0.1:9/zero.bin") + " --not-a-link");
    ASSERT_TRUE(velmora.HandOver("#clicent#http://127.0.0.1:9/first.bin"));
    ASSERT_TRUE(velmora.HandOver(R"(#clicent#{"url":"http://127.0.0.1:9/x?id=2","name":"second.iso"})"));
    // A second start hands its link to the running window and ends.
    EXPECT_EQ(velmora.Run("velmora", Quoted("#clicent#http://127.0.0.1:9/third.zip")), 0);
    EXPECT_TRUE(velmora.HandOver("#clicent#{broken"));
    ASSERT_TRUE(velmora.Close());
  }
  EXPECT_EQ(StoredNames(home), "zero.bin:queued,first.bin:queued,second.iso:queued,third.zip:queued");
  const std::string diagnostics = ReadFileBytes(home / "stderr");
  EXPECT_EQ(diagnostics.find("(error)"), std::string::npos) << diagnostics;

  // Started again, the window finds its tasks and still reports nothing.
  VelmoraProcess again(home);
  again.Start();
  ASSERT_TRUE(again.HandOver("#clicent#http://127.0.0.1:9/fourth.bin"));
  ASSERT_TRUE(again.Close());
  EXPECT_EQ(StoredNames(home), "zero.bin:queued,first.bin:queued,second.iso:queued,third.zip:queued,fourth.bin:queued");
  EXPECT_EQ(ReadFileBytes(home / "stderr").find("(error)"), std::string::npos) << ReadFileBytes(home / "stderr");
}

}  // namespace
