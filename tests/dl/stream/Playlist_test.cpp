#include "dl/stream/Playlist.h"

#include <gtest/gtest.h>

namespace {

const std::string kBase = "http://media.test/show/video/index.m3u8";

ParsedPlaylist Parse(const std::string& text, const PlaylistLimits& limits = {}) {
  ParsedPlaylist parsed;
  Failure failure;
  EXPECT_TRUE(ParsePlaylist(text, kBase, parsed, failure, limits)) << failure.message;
  return parsed;
}

Failure Refusal(const std::string& text, const PlaylistLimits& limits = {}) {
  ParsedPlaylist parsed;
  Failure failure;
  EXPECT_FALSE(ParsePlaylist(text, kBase, parsed, failure, limits));
  return failure;
}

}  // namespace

TEST(Playlist, MasterListsVariantsWithTheirRatesPicturesAndAudioGroups) {
  ParsedPlaylist p = Parse(
      "#EXTM3U\r\n"
      "#EXT-X-MEDIA:TYPE=AUDIO,GROUP-ID=\"aud\",NAME=\"English, main\",DEFAULT=YES,URI=\"../audio/a.m3u8\"\r\n"
      "#EXT-X-STREAM-INF:BANDWIDTH=1280000,CODECS=\"avc1.4d401f,mp4a.40.2\",RESOLUTION=640x360,AUDIO=\"aud\"\r\n"
      "low/index.m3u8\r\n"
      "#EXT-X-STREAM-INF:BANDWIDTH=2560000,RESOLUTION=1280x720\r\n"
      "https://cdn.test/high.m3u8?token=a,b\r\n");
  ASSERT_TRUE(p.master);
  ASSERT_EQ(p.masterList.variants.size(), 2u);
  EXPECT_EQ(p.masterList.variants[0].uri, "http://media.test/show/video/low/index.m3u8");
  EXPECT_EQ(p.masterList.variants[0].bandwidth, 1280000);
  EXPECT_EQ(p.masterList.variants[0].height, 360);
  EXPECT_EQ(p.masterList.variants[0].audioGroup, "aud");
  EXPECT_EQ(p.masterList.variants[1].uri, "https://cdn.test/high.m3u8?token=a,b");
  EXPECT_EQ(p.masterList.variants[1].width, 1280);
  ASSERT_EQ(p.masterList.renditions.size(), 1u);
  EXPECT_EQ(p.masterList.renditions[0].name, "English, main");  // a comma inside quotes
  EXPECT_EQ(p.masterList.renditions[0].uri, "http://media.test/show/audio/a.m3u8");
  EXPECT_TRUE(p.masterList.renditions[0].isDefault);
}

TEST(Playlist, MediaSegmentsCarryRangesKeysSectionsAndSequenceNumbers) {
  ParsedPlaylist p = Parse(
      "#EXTM3U\n#EXT-X-TARGETDURATION:4\n#EXT-X-MEDIA-SEQUENCE:7\n"
      "#EXT-X-MAP:URI=\"init.mp4\",BYTERANGE=\"720@0\"\n"
      "#EXT-X-KEY:METHOD=AES-128,URI=\"k1.bin\",IV=0x000102030405060708090a0b0c0d0e0f\n"
      "#EXTINF:3.5,\n#EXT-X-BYTERANGE:1000@720\nall.mp4\n"
      "#EXTINF:4,\n#EXT-X-BYTERANGE:500\nall.mp4\n"
      "#EXT-X-KEY:METHOD=AES-128,URI=\"/keys/k2.bin\"\n#EXT-X-DISCONTINUITY\n"
      "#EXTINF:4,\nthird.m4s\n"
      "#EXT-X-KEY:METHOD=NONE\n#EXTINF:4,\nfourth.m4s\n#EXT-X-ENDLIST\n");
  ASSERT_FALSE(p.master);
  const MediaPlaylist& m = p.media;
  EXPECT_TRUE(m.endList);
  EXPECT_EQ(m.targetDuration, 4);
  ASSERT_EQ(m.maps.size(), 1u);
  EXPECT_EQ(m.maps[0].span.length, 720);
  ASSERT_EQ(m.segments.size(), 4u);
  EXPECT_EQ(m.segments[0].sequence, 7);
  EXPECT_EQ(m.segments[3].sequence, 10);
  EXPECT_EQ(m.segments[0].span.offset, 720);
  EXPECT_EQ(m.segments[0].span.length, 1000);
  // Without an offset a range continues where the last one of that URI ended.
  EXPECT_EQ(m.segments[1].span.offset, 1720);
  EXPECT_TRUE(m.segments[2].span.whole());
  EXPECT_EQ(m.segments[0].key.method, SegmentKey::Method::Aes128);
  ASSERT_TRUE(m.segments[0].key.iv.has_value());
  EXPECT_EQ((*m.segments[0].key.iv)[15], 0x0f);
  EXPECT_EQ(m.segments[2].key.uri, "http://media.test/keys/k2.bin");
  EXPECT_FALSE(m.segments[2].key.iv.has_value());
  EXPECT_TRUE(m.segments[2].discontinuity);
  EXPECT_EQ(m.segments[3].key.method, SegmentKey::Method::None);
  EXPECT_EQ(m.segments[3].map, 0);
  EXPECT_EQ(m.segments[0].duration, 3.5);
}

TEST(Playlist, UrisOtherThanHttpAreRefusedWhereverTheyStand) {
  for (const std::string& text :
       {std::string("#EXTM3U\n#EXTINF:1,\nfile:///etc/passwd\n"),
        std::string("#EXTM3U\n#EXT-X-KEY:METHOD=AES-128,URI=\"data:text/plain;base64,AAAA\"\n#EXTINF:1,\na.ts\n"),
        std::string("#EXTM3U\n#EXT-X-MAP:URI=\"ftp://host/init.mp4\"\n#EXTINF:1,\na.m4s\n"),
        std::string("#EXTM3U\n#EXT-X-STREAM-INF:BANDWIDTH=1\nsmb://host/v.m3u8\n")}) {
    Failure failure = Refusal(text);
    EXPECT_EQ(failure.cause, FailureCause::Unsupported) << text;
    EXPECT_NE(failure.message.find("only http and https"), std::string::npos) << failure.message;
  }
}

TEST(Playlist, EncryptionsNotSupportedAreNamed) {
  Failure sample = Refusal("#EXTM3U\n#EXT-X-KEY:METHOD=SAMPLE-AES,URI=\"k\"\n#EXTINF:1,\na.ts\n");
  EXPECT_EQ(sample.cause, FailureCause::Unsupported);
  EXPECT_NE(sample.message.find("SAMPLE-AES"), std::string::npos);
  Failure format =
      Refusal("#EXTM3U\n#EXT-X-KEY:METHOD=AES-128,URI=\"k\",KEYFORMAT=\"com.vendor.drm\"\n#EXTINF:1,\na.ts\n");
  EXPECT_NE(format.message.find("com.vendor.drm"), std::string::npos);
  Failure badIv = Refusal("#EXTM3U\n#EXT-X-KEY:METHOD=AES-128,URI=\"k\",IV=0x1234\n#EXTINF:1,\na.ts\n");
  EXPECT_NE(badIv.message.find("IV"), std::string::npos);
}

TEST(Playlist, LimitsOnSizeAndSegmentCountAreNamedInTheRefusal) {
  PlaylistLimits small{64, 3};
  Failure size = Refusal("#EXTM3U\n" + std::string(100, '#'), small);
  EXPECT_NE(size.message.find("size limit"), std::string::npos);
  std::string four = "#EXTM3U\n";
  for (int i = 0; i < 4; ++i) four += "a" + std::to_string(i) + ".ts\n";
  Failure count = Refusal(four, PlaylistLimits{1 << 20, 3});
  EXPECT_NE(count.message.find("segment count limit of 3"), std::string::npos);
  std::string three = "#EXTM3U\n";
  for (int i = 0; i < 3; ++i) three += "a" + std::to_string(i) + ".ts\n";
  EXPECT_EQ(Parse(three, PlaylistLimits{1 << 20, 3}).media.segments.size(), 3u);
}

TEST(Playlist, TextThatIsNotAPlaylistIsRefused) {
  EXPECT_EQ(Refusal("<html>not here</html>").cause, FailureCause::BadAnswer);
  EXPECT_TRUE(StartsLikePlaylist("\xEF\xBB\xBF#EXTM3U\n"));
  Failure dangling = Refusal("#EXTM3U\n#EXT-X-STREAM-INF:BANDWIDTH=1\n");
  EXPECT_NE(dangling.message.find("no URI"), std::string::npos);
  Failure orphanRange = Refusal("#EXTM3U\n#EXT-X-BYTERANGE:100\na.ts\n");
  EXPECT_NE(orphanRange.message.find("byte range"), std::string::npos);
}
