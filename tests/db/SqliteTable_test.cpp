#include "db/SqliteTable.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "db/SqliteDB.h"
#include "tests/db/SqliteTestSupport.h"
#include "tests/support/TempDir.h"

namespace {

class SqliteTableTest : public ::testing::Test {
 protected:
  void SetUp() override {
    db.open((dir / "t.db").c_str());
    db.execDML("create table t(id integer, name text); insert into t values(1, 'a'), (2, null), (3, 'c');");
  }
  TempDir dir;
  SqliteDB db;
};

}  // namespace

TEST(SqliteTableDefault, HoldsNoResults) {
  SqliteTable table;
  const std::string none = "WRAPPER_ERROR[1000]: Null Results pointer";
  EXPECT_EQ(MessageOf([&] { table.numRows(); }), none);
  EXPECT_EQ(MessageOf([&] { table.fieldValue(0); }), none);
  EXPECT_EQ(MessageOf([&] { table.fieldValue("id"); }), none);
  EXPECT_EQ(MessageOf([&] { table.setRow(0); }), none);
  table.finalize();
}

TEST_F(SqliteTableTest, WalksRowsByIndexAndName) {
  SqliteTable table = db.getTable("select id, name from t order by id");
  EXPECT_EQ(table.numFields(), 2);
  EXPECT_EQ(table.numRows(), 3);
  EXPECT_STREQ(table.fieldName(1), "name");
  EXPECT_STREQ(table.fieldValue("name"), "a");
  table.setRow(1);
  EXPECT_STREQ(table.fieldValue(0), "2");
  EXPECT_TRUE(table.fieldIsNull("name"));
  EXPECT_TRUE(table.fieldIsNull(1));
  table.setRow(2);
  EXPECT_STREQ(table.fieldValue(1), "c");

  EXPECT_EQ(MessageOf([&] { table.setRow(3); }), "WRAPPER_ERROR[1000]: Invalid row index requested");
  EXPECT_EQ(MessageOf([&] { table.setRow(-1); }), "WRAPPER_ERROR[1000]: Invalid row index requested");
  EXPECT_EQ(MessageOf([&] { table.fieldValue(2); }), "WRAPPER_ERROR[1000]: Invalid field index requested");
  EXPECT_EQ(MessageOf([&] { table.fieldValue("Name"); }), "WRAPPER_ERROR[1000]: Invalid field name requested");
  EXPECT_EQ(MessageOf([&] { table.fieldIsNull(nullptr); }), "WRAPPER_ERROR[1000]: Invalid field name requested");
}

TEST_F(SqliteTableTest, NoRowsMeansNothingToRead) {
  SqliteTable plain = db.getTable("select * from t where 0");
  EXPECT_EQ(plain.numRows(), 0);
  EXPECT_EQ(MessageOf([&] { plain.fieldValue(0); }), "WRAPPER_ERROR[1000]: Invalid field index requested");

  // Here SQLite does report the column names; reading a value must not step
  // past them.
  db.execDML("pragma empty_result_callbacks = on");
  SqliteTable named = db.getTable("select * from t where 0");
  EXPECT_EQ(named.numRows(), 0);
  EXPECT_EQ(named.numFields(), 2);
  EXPECT_STREQ(named.fieldName(0), "id");
  EXPECT_EQ(MessageOf([&] { named.fieldValue(0); }), "WRAPPER_ERROR[1000]: Invalid row index requested");
  EXPECT_EQ(MessageOf([&] { named.fieldIsNull("name"); }), "WRAPPER_ERROR[1000]: Invalid row index requested");
}

TEST_F(SqliteTableTest, AssignmentTransfersTheResults) {
  SqliteTable target = db.getTable("select id from t");
  SqliteTable source = db.getTable("select name, id from t order by id desc");
  source.setRow(2);
  target = std::move(source);
  EXPECT_EQ(MessageOf([&] { source.numRows(); }), "WRAPPER_ERROR[1000]: Null Results pointer");
  EXPECT_EQ(target.numFields(), 2);
  EXPECT_STREQ(target.fieldValue(0), "a");  // the current row came along
  target.finalize();
  EXPECT_EQ(MessageOf([&] { target.numRows(); }), "WRAPPER_ERROR[1000]: Null Results pointer");
}
