#include "db/SqliteDB.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <string>

#include "tests/db/SqliteTestSupport.h"
#include "tests/support/TempDir.h"

namespace {

class SqliteDBTest : public ::testing::Test {
 protected:
  void SetUp() override {
    db.open((dir / "main.db").c_str());
    db.execDML("create table t(id integer primary key, name text, size integer)");
  }
  TempDir dir;
  SqliteDB db;
};

}  // namespace

TEST(SqliteDBClosed, EveryOperationButOpenAndCloseNeedsAConnection) {
  SqliteDB db;
  EXPECT_FALSE(db.isOpen());
  const std::string notOpen = "WRAPPER_ERROR[1000]: Database not open";
  EXPECT_EQ(MessageOf([&] { db.execDML("select 1"); }), notOpen);
  EXPECT_EQ(MessageOf([&] { db.execQuery("select 1"); }), notOpen);
  EXPECT_EQ(MessageOf([&] { db.execScalar("select 1"); }), notOpen);
  EXPECT_EQ(MessageOf([&] { db.tableExists("t"); }), notOpen);
  EXPECT_EQ(MessageOf([&] { db.getTable("select 1"); }), notOpen);
  EXPECT_EQ(MessageOf([&] { db.compileStatement("select 1"); }), notOpen);
  EXPECT_EQ(MessageOf([&] { db.lastRowId(); }), notOpen);
  db.close();  // harmless without a connection
}

TEST(SqliteDBClosed, FailedOpenKeepsTheHandleForClose) {
  TempDir dir;
  SqliteDB db;
  EXPECT_EQ(MessageOf([&] { db.open((dir / "missing/sub/x.db").c_str()); }),
            "SQLITE_CANTOPEN[14]: unable to open database file");
  EXPECT_TRUE(db.isOpen());
  db.close();
  EXPECT_FALSE(db.isOpen());
}

TEST(SqliteDBClosed, FileNameIsAnsiTextTurnedIntoTheNativeName) {
  TempDir dir;
  SqliteDB db;
  // GBK bytes of 中文, and a desktop-style separator.
  std::string ansiName = dir.path() + "\\\xD6\xD0\xCE\xC4.db";
  EXPECT_EQ(db.open(ansiName.c_str()), 0);
  db.execDML("create table a(x)");
  db.close();
  EXPECT_TRUE(std::filesystem::exists(dir / "\xE4\xB8\xAD\xE6\x96\x87.db"));
}

TEST(SqliteDBClosed, ReopeningReleasesTheEarlierConnection) {
  TempDir dir;
  std::string first = dir / "first.db";
  SqliteDB db;
  db.open(first.c_str());
  db.execDML("create table t(x); begin; insert into t values(1);");
  db.open((dir / "second.db").c_str());

  // Another writer must not find the first file still locked by a forgotten
  // connection with an open transaction.
  sqlite3* other = nullptr;
  ASSERT_EQ(sqlite3_open(first.c_str(), &other), SQLITE_OK);
  EXPECT_EQ(sqlite3_exec(other, "insert into t values(2)", nullptr, nullptr, nullptr), SQLITE_OK);
  sqlite3_close(other);
}

TEST_F(SqliteDBTest, DmlCountsChangesAndReportsSqliteText) {
  EXPECT_EQ(db.execDML("insert into t(name) values('a'),('b'),('c')"), 3);
  EXPECT_EQ(db.lastRowId(), 3);
  EXPECT_EQ(db.execDML("update t set size = 1 where id > 1"), 2);
  EXPECT_EQ(MessageOf([&] { db.execDML("insert into nowhere values(1)"); }),
            "SQLITE_ERROR[1]: no such table: nowhere");
  EXPECT_EQ(MessageOf([&] { db.getTable("selec 1"); }), "SQLITE_ERROR[1]: near \"selec\": syntax error");
}

TEST_F(SqliteDBTest, CompileErrorsCarryNoText) {
  EXPECT_EQ(MessageOf([&] { db.execQuery("selec 1"); }), "SQLITE_ERROR[1]: ");
  EXPECT_EQ(MessageOf([&] { db.execScalar("selec 1"); }), "SQLITE_ERROR[1]: ");
  EXPECT_EQ(MessageOf([&] { db.compileStatement("selec 1"); }), "SQLITE_ERROR[1]: ");
}

TEST_F(SqliteDBTest, StepErrorsTakeTheSpecificCodeFromFinalize) {
  EXPECT_EQ(MessageOf([&] { db.execQuery("select abs(-9223372036854775807 - 1)"); }),
            "SQLITE_ERROR[1]: integer overflow");
}

TEST_F(SqliteDBTest, ScalarReadsTheFirstValue) {
  db.execDML("insert into t(name, size) values('a', 10), ('b', null)");
  EXPECT_EQ(db.execScalar("select count(*) from t"), 2);
  EXPECT_EQ(db.execScalar("select '  -42abc'"), -42);
  EXPECT_EQ(db.execScalar("select 'abc'"), 0);
  EXPECT_EQ(db.execScalar("select size from t where name = 'b'"), 0);  // NULL
  EXPECT_EQ(MessageOf([&] { db.execScalar("select 1 where 0"); }), "WRAPPER_ERROR[1000]: Invalid scalar query");
  EXPECT_EQ(MessageOf([&] { db.execScalar("create table u(x)"); }), "WRAPPER_ERROR[1000]: Invalid scalar query");
  EXPECT_EQ(MessageOf([&] { db.execScalar(""); }), "WRAPPER_ERROR[1000]: Null Virtual Machine pointer");
}

TEST_F(SqliteDBTest, TableExistsQuotesTheName) {
  EXPECT_TRUE(db.tableExists("t"));
  EXPECT_FALSE(db.tableExists("T2"));
  EXPECT_FALSE(db.tableExists("t' or '1'='1"));
  std::string longName(200, 'n');
  db.execDML(("create table " + longName + "(x)").c_str());
  EXPECT_TRUE(db.tableExists(longName.c_str()));
  db.execDML("create table \"it's\"(x)");
  EXPECT_TRUE(db.tableExists("it's"));
}

TEST_F(SqliteDBTest, CloseWithALiveQueryLeavesTheQueryUsable) {
  db.execDML("insert into t(name) values('a'), ('b')");
  SqliteQuery query = db.execQuery("select name from t order by id");
  db.close();
  EXPECT_FALSE(db.isOpen());
  EXPECT_STREQ(query.fieldValue(0), "a");
  query.nextRow();
  EXPECT_STREQ(query.fieldValue(0), "b");
}
