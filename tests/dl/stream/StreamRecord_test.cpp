#include "dl/stream/StreamRecord.h"

#include <gtest/gtest.h>

#include "dl/PartRecord.h"
#include "tests/support/TempDir.h"

TEST(StreamRecord, RoundTripsAndIsToldApartFromOtherFiles) {
  StreamRecord record;
  record.source = "http://h/a.m3u8";
  record.container = "mp4";
  record.variant = "1280x720 2.00 Mbit/s";
  record.video = TrackProgress{"http://h/v/720.m3u8", 12, 123456};
  record.audio = TrackProgress{"http://h/a/en.m3u8", 3, 999};
  StreamRecord back;
  std::string error;
  ASSERT_TRUE(ParseStreamRecord(SerializeStreamRecord(record), back, error)) << error;
  EXPECT_EQ(back.video.playlist, record.video.playlist);
  EXPECT_EQ(back.video.pieces, 12);
  EXPECT_EQ(back.video.bytes, 123456);
  EXPECT_EQ(back.audio.bytes, 999);
  EXPECT_EQ(back.variant, record.variant);
  std::string text = SerializeStreamRecord(record);
  EXPECT_FALSE(ParseStreamRecord(text.substr(0, text.size() - 4), back, error));  // no "end"
  EXPECT_FALSE(ParseStreamRecord(SerializePartRecord(PartRecord{}), back, error));
  EXPECT_FALSE(ParseStreamRecord("velmora-stream-record 1\nsource x\nvideo-bytes -5\nend\n", back, error));
}

TEST(StreamRecord, ContinuesOnlyTheSameSource) {
  TempDir dir;
  std::string part = dir / "s.mp4.part";
  StreamRecord record;
  record.source = "http://h/a.m3u8";
  ASSERT_EQ(SaveStreamRecord(PartRecordPath(part), record), 0);
  EXPECT_TRUE(StreamRecordContinues(part, "http://h/a.m3u8"));
  EXPECT_FALSE(StreamRecordContinues(part, "http://h/b.m3u8"));
  EXPECT_FALSE(StreamRecordContinues(dir / "other.part", "http://h/a.m3u8"));
}
