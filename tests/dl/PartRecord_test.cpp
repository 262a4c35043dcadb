// The record beside a part file: what it keeps, what it refuses to load.
#include "dl/PartRecord.h"

#include <gtest/gtest.h>

#include "platform/Files.h"
#include "tests/support/TempDir.h"

namespace {

PartRecord Sample() {
  PartRecord record;
  record.source = "http://127.0.0.1:8080/a b.bin";
  record.url = "http://127.0.0.1:8080/final.bin";
  record.total = 1000;
  record.etag = "\"abc\"";
  record.lastModified = "Tue, 08 Dec 2026 06:00:00 GMT";
  record.AddDone(0, 400);
  record.AddDone(600, 700);
  return record;
}

}  // namespace

TEST(PartRecord, RoundTripsEveryFieldAndMergesRanges) {
  PartRecord record = Sample();
  record.AddDone(400, 600);  // closes the gap
  ASSERT_EQ(record.done.size(), 1u);
  EXPECT_EQ(record.ContiguousDone(), 700);
  PartRecord loaded;
  std::string error;
  ASSERT_TRUE(ParsePartRecord(SerializePartRecord(record), loaded, error)) << error;
  EXPECT_EQ(loaded.source, record.source);
  EXPECT_EQ(loaded.url, record.url);
  EXPECT_EQ(loaded.total, 1000);
  EXPECT_EQ(loaded.etag, record.etag);
  EXPECT_EQ(loaded.lastModified, record.lastModified);
  EXPECT_TRUE(loaded.resumable);
  EXPECT_EQ(loaded.done, record.done);
}

TEST(PartRecord, RefusesWhatIsNotAWholeRecordOfThisVersion) {
  std::string text = SerializePartRecord(Sample());
  PartRecord loaded;
  std::string error;
  EXPECT_FALSE(ParsePartRecord(text.substr(0, text.size() - 4), loaded, error));
  EXPECT_EQ(error, "record is cut short");
  EXPECT_FALSE(ParsePartRecord("", loaded, error));
  EXPECT_FALSE(ParsePartRecord("velmora-part-record 2\nsource x\nend\n", loaded, error));
  EXPECT_NE(error.find("version 2"), std::string::npos);
  EXPECT_FALSE(ParsePartRecord("something else\n", loaded, error));
  // Ranges beyond the total, overlapping or backwards mean the record lies.
  EXPECT_FALSE(ParsePartRecord("velmora-part-record 1\nsource x\ntotal 10\ndone 0 11\nend\n", loaded, error));
  EXPECT_FALSE(ParsePartRecord("velmora-part-record 1\nsource x\ndone 0 5\ndone 4 8\nend\n", loaded, error));
  EXPECT_FALSE(ParsePartRecord("velmora-part-record 1\nsource x\ndone 5 2\nend\n", loaded, error));
  EXPECT_FALSE(ParsePartRecord("velmora-part-record 1\nsource x\ntotal 99999999999999999999\nend\n", loaded, error));
  EXPECT_FALSE(ParsePartRecord("velmora-part-record 1\ntotal 5\nend\n", loaded, error));
  // Keys of later versions of the same format are skipped.
  EXPECT_TRUE(ParsePartRecord("velmora-part-record 1\nsource x\nfuture 1\nend\n", loaded, error)) << error;
}

TEST(PartRecord, SavesAtomicallyAndLoadsFromDisk) {
  TempDir dir;
  std::string path = PartRecordPath(dir / "f.bin.part");
  EXPECT_EQ(path, dir / "f.bin.part.rec");
  PartRecord record = Sample();
  ASSERT_EQ(SavePartRecord(path, record), 0);
  record.AddDone(700, 1000);
  ASSERT_EQ(SavePartRecord(path, record), 0);
  EXPECT_FALSE(platform::PathExists(path + ".tmp"));
  PartRecord loaded;
  std::string error;
  ASSERT_TRUE(LoadPartRecord(path, loaded, error)) << error;
  EXPECT_EQ(loaded.done, record.done);
  EXPECT_FALSE(LoadPartRecord(dir / "missing.rec", loaded, error));
  EXPECT_NE(error.find("cannot read"), std::string::npos);
}
