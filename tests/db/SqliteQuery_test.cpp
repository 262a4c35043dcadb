#include "db/SqliteQuery.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "db/SqliteDB.h"
#include "tests/db/SqliteTestSupport.h"
#include "tests/support/TempDir.h"

namespace {

// Second row fails at step time: the overflow happens while computing it.
constexpr const char* kFailsOnSecondRow =
    "select case when x = 2 then abs(-9223372036854775807 - 1) else x end "
    "from (select 1 as x union all select 2)";

class SqliteQueryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    db.open((dir / "q.db").c_str());
    db.execDML(
        "create table t(id integer primary key, name text, ratio real, data blob);"
        "insert into t(name, ratio, data) values('a', 1.5, x'00ff00'), (null, null, null);");
  }
  TempDir dir;
  SqliteDB db;
};

}  // namespace

TEST(SqliteQueryDefault, HoldsNoStatement) {
  SqliteQuery query;
  const std::string none = "WRAPPER_ERROR[1000]: Null Virtual Machine pointer";
  EXPECT_EQ(MessageOf([&] { query.eof(); }), none);
  EXPECT_EQ(MessageOf([&] { query.numFields(); }), none);
  EXPECT_EQ(MessageOf([&] { query.nextRow(); }), none);
  EXPECT_EQ(MessageOf([&] { query.getIntField(0); }), none);
  query.finalize();
}

TEST_F(SqliteQueryTest, ReadsTypedValuesAndNulls) {
  SqliteQuery query = db.execQuery("select id, name, ratio, data, 1 + 1 as two from t order by id");
  EXPECT_FALSE(query.eof());
  EXPECT_EQ(query.numFields(), 5);
  EXPECT_STREQ(query.fieldName(4), "two");
  EXPECT_STREQ(query.fieldDeclType(2), "REAL");
  EXPECT_EQ(query.fieldDeclType(4), nullptr);
  EXPECT_EQ(query.fieldDataType(0), 1);
  EXPECT_EQ(query.fieldDataType(2), 2);
  EXPECT_EQ(query.fieldDataType(1), 3);
  EXPECT_EQ(query.fieldDataType(3), 4);
  EXPECT_STREQ(query.getStringField("name"), "a");
  EXPECT_DOUBLE_EQ(query.getFloatField(2), 1.5);
  int length = 0;
  const unsigned char* bytes = query.getBlobField(3, length);
  ASSERT_EQ(length, 3);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes), 3), std::string("\0\xff\0", 3));

  query.nextRow();
  EXPECT_TRUE(query.fieldIsNull(1));
  EXPECT_EQ(query.fieldValue(1), nullptr);
  EXPECT_STREQ(query.getStringField(1), "");
  EXPECT_EQ(query.getIntField("ratio"), 0);
  EXPECT_EQ(query.getFloatField(2), 0.0);

  query.nextRow();
  EXPECT_TRUE(query.eof());
  // No current row: SQLite answers NULL.
  EXPECT_EQ(query.getIntField(0), 0);
  EXPECT_STREQ(query.getStringField(1), "");
}

TEST_F(SqliteQueryTest, IndexAndNameChecks) {
  SqliteQuery query = db.execQuery("select id, name, id from t");
  EXPECT_EQ(MessageOf([&] { query.fieldName(-1); }), "WRAPPER_ERROR[1000]: Invalid field index requested");
  EXPECT_EQ(MessageOf([&] { query.fieldValue(3); }), "WRAPPER_ERROR[1000]: Invalid field index requested");
  EXPECT_EQ(MessageOf([&] { query.fieldIndex("ID"); }), "WRAPPER_ERROR[1000]: Invalid field name requested");
  EXPECT_EQ(MessageOf([&] { query.fieldIndex(nullptr); }), "WRAPPER_ERROR[1000]: Invalid field name requested");
  EXPECT_EQ(MessageOf([&] { query.fieldIndex("i"); }), "WRAPPER_ERROR[1000]: Invalid field name requested");
  EXPECT_EQ(query.fieldIndex("id"), 0);
}

TEST_F(SqliteQueryTest, NoRowsComesBackAtTheEnd) {
  SqliteQuery query = db.execQuery("select * from t where 0");
  EXPECT_TRUE(query.eof());
  EXPECT_EQ(query.numFields(), 4);
}

TEST_F(SqliteQueryTest, AssignmentTransfersAndFinalizesWhatTheTargetOwned) {
  SqliteQuery target = db.execQuery("select name from t order by id");
  SqliteQuery source = db.execQuery("select id, ratio from t order by id desc");
  target = std::move(source);
  EXPECT_EQ(MessageOf([&] { source.eof(); }), "WRAPPER_ERROR[1000]: Null Virtual Machine pointer");
  EXPECT_EQ(target.numFields(), 2);
  EXPECT_EQ(target.getIntField(0), 2);
  // The first statement is finalized: the connection has only one left, so
  // once that one is gone a schema change is allowed.
  target.finalize();
  db.execDML("drop table t");
}

TEST_F(SqliteQueryTest, FailedStepOnAnOwnedStatementReleasesIt) {
  SqliteQuery query = db.execQuery(kFailsOnSecondRow);
  EXPECT_EQ(query.getIntField(0), 1);
  EXPECT_EQ(MessageOf([&] { query.nextRow(); }), "SQLITE_ERROR[1]: integer overflow");
  EXPECT_EQ(MessageOf([&] { query.eof(); }), "WRAPPER_ERROR[1000]: Null Virtual Machine pointer");
}

TEST_F(SqliteQueryTest, FailureAfterItsConnectionWasClosedIsReportedInFull) {
  SqliteQuery query = db.execQuery(kFailsOnSecondRow);
  db.close();  // SQLite keeps the connection for the live query
  EXPECT_EQ(MessageOf([&] { query.nextRow(); }), "SQLITE_ERROR[1]: integer overflow");

  SqliteDB other;
  other.open((dir / "q.db").c_str());
  SqliteQuery early = other.execQuery("select * from t");
  other.close();
  early.finalize();
}

TEST_F(SqliteQueryTest, FailedStepOnABorrowedStatementLeavesItToItsOwner) {
  SqliteStatement statement = db.compileStatement(kFailsOnSecondRow);
  {
    SqliteQuery query = statement.execQuery();
    EXPECT_EQ(query.getIntField(0), 1);
    EXPECT_EQ(MessageOf([&] { query.nextRow(); }), "SQLITE_ERROR[1]: integer overflow");
    EXPECT_TRUE(query.eof());
    query.finalize();  // borrowed: leaves the statement alone
  }
  // The statement was reset and runs again from the start.
  SqliteQuery again = statement.execQuery();
  EXPECT_FALSE(again.eof());
  EXPECT_EQ(again.getIntField(0), 1);
  statement.finalize();
}

TEST_F(SqliteQueryTest, EmptyTextGivesAQueryWithoutStatement) {
  SqliteQuery query = db.execQuery("  -- nothing here");
  EXPECT_EQ(MessageOf([&] { query.eof(); }), "WRAPPER_ERROR[1000]: Null Virtual Machine pointer");
}
