// When a transfer's record is rewritten, on a clock the test moves.
#include "dl/Checkpointer.h"

#include <gtest/gtest.h>

#include "tests/dl/support/ManualClock.h"
#include "tests/support/TempDir.h"

namespace {

using namespace std::chrono_literals;

PartRecord RecordOf(int64_t done) {
  PartRecord record;
  record.source = record.url = "http://h/f.bin";
  record.total = 100;
  record.AddDone(0, done);
  return record;
}

int64_t SavedBytes(const std::string& partPath) {
  PartRecord record;
  std::string why;
  return LoadPartRecord(PartRecordPath(partPath), record, why) ? record.ContiguousDone() : -1;
}

}  // namespace

TEST(Checkpointer, SavesAtMostOnceASecondAndCountsBytesOnlyWhenTheClockAllows) {
  TempDir dir;
  const std::string part = dir / "f.bin.part";
  platform::DataFile file;
  ASSERT_EQ(file.Open(part), 0);
  ManualClock clock;
  Checkpointer checkpointer(file, clock.Reader());
  int64_t done = 10;
  int counted = 0;
  auto doneBytes = [&] { return ++counted, done; };
  auto snapshot = [&] { return RecordOf(done); };

  ASSERT_EQ(checkpointer.Save(Checkpointer::When::NowAndWait, part, doneBytes, snapshot), 0);
  EXPECT_EQ(SavedBytes(part), 10);
  counted = 0;
  done = 20;
  clock.Advance(999ms);
  EXPECT_EQ(checkpointer.Save(Checkpointer::When::IfDue, part, doneBytes, snapshot), 0);
  EXPECT_EQ(counted, 0) << "within the second the clock alone decides";
  EXPECT_EQ(SavedBytes(part), 10);
  clock.Advance(1ms);
  EXPECT_EQ(checkpointer.Save(Checkpointer::When::IfDue, part, doneBytes, snapshot), 0);
  checkpointer.Wait();
  EXPECT_EQ(counted, 1);
  EXPECT_EQ(SavedBytes(part), 20);
}

TEST(Checkpointer, AFailedBackgroundSaveIsReportedOnTheNextCallOnce) {
  TempDir dir;
  const std::string part = dir / "missing-folder/f.bin.part";
  platform::DataFile file;
  ASSERT_EQ(file.Open(dir / "f.bin.part"), 0);
  ManualClock clock;
  Checkpointer checkpointer(file, clock.Reader());
  auto doneBytes = [] { return int64_t{5}; };
  auto snapshot = [] { return RecordOf(5); };
  EXPECT_EQ(checkpointer.Save(Checkpointer::When::NowInBackground, part, doneBytes, snapshot), 0);
  checkpointer.Wait();
  EXPECT_NE(checkpointer.Save(Checkpointer::When::IfDue, part, doneBytes, snapshot), 0);
  EXPECT_EQ(checkpointer.Save(Checkpointer::When::IfDue, part, doneBytes, snapshot), 0);
  EXPECT_NE(checkpointer.Save(Checkpointer::When::NowAndWait, part, doneBytes, snapshot), 0);
  EXPECT_EQ(checkpointer.Save(Checkpointer::When::NowInBackground, part, doneBytes, snapshot), 0);
  checkpointer.Wait();
  checkpointer.ForgetError();
  EXPECT_EQ(checkpointer.Save(Checkpointer::When::IfDue, part, doneBytes, snapshot), 0);
}
