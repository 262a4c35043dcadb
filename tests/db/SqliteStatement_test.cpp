#include "db/SqliteStatement.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>

#include "db/SqliteDB.h"
#include "tests/db/SqliteTestSupport.h"
#include "tests/support/TempDir.h"

namespace {

class SqliteStatementTest : public ::testing::Test {
 protected:
  void SetUp() override {
    db.open((dir / "s.db").c_str());
    db.execDML("create table t(id integer primary key, name text unique, size integer, ratio real, data blob)");
  }
  TempDir dir;
  SqliteDB db;
};

}  // namespace

TEST(SqliteStatementDefault, HoldsNothing) {
  SqliteStatement statement;
  EXPECT_EQ(MessageOf([&] { statement.execDML(); }), "WRAPPER_ERROR[1000]: Database not open");
  EXPECT_EQ(MessageOf([&] { statement.bind(1, 1); }), "WRAPPER_ERROR[1000]: Null Virtual Machine pointer");
  statement.reset();
  statement.finalize();
}

TEST_F(SqliteStatementTest, BindsEveryKindAndRunsAgain) {
  SqliteStatement insert = db.compileStatement("insert into t(name, size, ratio, data) values(?, ?, ?, ?)");
  insert.bind(1, "first");
  insert.bind(2, 7);
  insert.bind(3, 2.5);
  insert.bind(4, "\0a\0", 3);
  EXPECT_EQ(insert.execDML(), 1);
  // SQLite keeps the bindings across the reset.
  insert.bind(1, "second");
  insert.bindInt64(2, INT64_C(5000000000));
  insert.bindNull(4);
  EXPECT_EQ(insert.execDML(), 1);

  SqliteQuery query = db.execQuery("select size, ratio, length(data), typeof(data) from t order by id");
  EXPECT_EQ(query.getIntField(0), 7);
  EXPECT_EQ(query.getIntField(2), 3);
  query.nextRow();
  EXPECT_STREQ(query.fieldValue(0), "5000000000");
  EXPECT_DOUBLE_EQ(query.getFloatField(1), 2.5);
  EXPECT_STREQ(query.fieldValue(3), "null");
}

TEST_F(SqliteStatementTest, BindErrorsCarryTheSqliteCode) {
  SqliteStatement statement = db.compileStatement("select ?");
  EXPECT_EQ(MessageOf([&] { statement.bind(99, 1); }), "SQLITE_RANGE[25]: Error binding int param");
  EXPECT_EQ(MessageOf([&] { statement.bind(0, "x"); }), "SQLITE_RANGE[25]: Error binding string param");
  EXPECT_EQ(MessageOf([&] { statement.bind(2, 1.0); }), "SQLITE_RANGE[25]: Error binding double param");
  EXPECT_EQ(MessageOf([&] { statement.bind(2, "", 0); }), "SQLITE_RANGE[25]: Error binding blob param");
  EXPECT_EQ(MessageOf([&] { statement.bindNull(2); }), "SQLITE_RANGE[25]: Error binding NULL param");
}

TEST_F(SqliteStatementTest, FailedRunsAreResetWithTheSpecificError) {
  SqliteStatement insert = db.compileStatement("insert into t(name) values(?)");
  insert.bind(1, "same");
  EXPECT_EQ(insert.execDML(), 1);
  EXPECT_EQ(MessageOf([&] { insert.execDML(); }), "SQLITE_CONSTRAINT[19]: UNIQUE constraint failed: t.name");
  insert.bind(1, "other");
  EXPECT_EQ(insert.execDML(), 1);

  SqliteStatement rows = db.compileStatement("select name from t");
  EXPECT_EQ(MessageOf([&] { rows.execDML(); }), "SQLITE_OK[0]: not an error");
  SqliteQuery query = rows.execQuery();
  EXPECT_FALSE(query.eof());
}

TEST_F(SqliteStatementTest, QueriesBorrowTheStatement) {
  db.execDML("insert into t(name) values('a'), ('b')");
  SqliteStatement select = db.compileStatement("select name from t where name = ?");
  select.bind(1, "a");
  {
    SqliteQuery query = select.execQuery();
    EXPECT_STREQ(query.fieldValue(0), "a");
  }  // the borrowed statement outlives its query
  select.reset();
  select.bind(1, "zz");
  SqliteQuery empty = select.execQuery();
  EXPECT_TRUE(empty.eof());
}

TEST_F(SqliteStatementTest, AssignmentMovesTheHandles) {
  SqliteStatement source = db.compileStatement("select 1");
  SqliteStatement target;
  target = std::move(source);
  EXPECT_EQ(MessageOf([&] { source.bind(1, 1); }), "WRAPPER_ERROR[1000]: Null Virtual Machine pointer");
  EXPECT_FALSE(target.execQuery().eof());
  target.finalize();
  EXPECT_EQ(MessageOf([&] { target.execDML(); }), "WRAPPER_ERROR[1000]: Null Virtual Machine pointer");
}
