#include "dl/stream/StreamDetect.h"

#include <gtest/gtest.h>

TEST(StreamDetect, PlaylistsAreKnownByTypePathOrFirstBytes) {
  EXPECT_TRUE(IsPlaylistType("application/vnd.apple.mpegurl"));
  EXPECT_TRUE(IsPlaylistType("Application/X-MpegURL; charset=utf-8"));
  EXPECT_TRUE(IsPlaylistType(" audio/mpegurl"));
  EXPECT_FALSE(IsPlaylistType("video/mp2t"));
  EXPECT_FALSE(IsPlaylistType("application/x-mpegurl-extra"));
  EXPECT_TRUE(IsPlaylistUrl("https://h.test/live/INDEX.M3U8?token=1"));
  EXPECT_FALSE(IsPlaylistUrl("https://h.test/get?file=a.m3u8"));
  EXPECT_FALSE(IsPlaylistUrl("https://h.test/a.m3u8.zip"));
  EXPECT_FALSE(IsPlaylistUrl("https://m3u8"));
  EXPECT_TRUE(IsPlaylistBody("#EXTM3U\n#EXT-X-VERSION:3"));
  EXPECT_FALSE(IsPlaylistBody("#EXTM3"));
  EXPECT_FALSE(IsPlaylistBody("GIF89a"));
}
