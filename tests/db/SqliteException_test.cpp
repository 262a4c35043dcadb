#include "db/SqliteException.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>

TEST(SqliteException, MessageNamesTheCodeAndKeepsTheText) {
  EXPECT_STREQ(SqliteException(WRAPPER_ERROR, "Invalid scalar query").message(),
               "WRAPPER_ERROR[1000]: Invalid scalar query");
  EXPECT_STREQ(SqliteException(25, "Error binding int param").message(), "SQLITE_RANGE[25]: Error binding int param");
  EXPECT_STREQ(SqliteException(1, "").message(), "SQLITE_ERROR[1]: ");
  EXPECT_STREQ(SqliteException(1, nullptr).message(), "SQLITE_ERROR[1]: ");
  EXPECT_EQ(SqliteException(19, "x").code(), 19);
}

TEST(SqliteException, CodeNamesCoverTheNamedRangeOnly) {
  EXPECT_STREQ(SqliteException::CodeName(0), "SQLITE_OK");
  EXPECT_STREQ(SqliteException::CodeName(14), "SQLITE_CANTOPEN");
  EXPECT_STREQ(SqliteException::CodeName(25), "SQLITE_RANGE");
  EXPECT_STREQ(SqliteException::CodeName(100), "SQLITE_ROW");
  EXPECT_STREQ(SqliteException::CodeName(101), "SQLITE_DONE");
  EXPECT_STREQ(SqliteException::CodeName(1000), "WRAPPER_ERROR");
  for (int code : {26, 27, 99, 102, 999, 1001, -1, 266})
    EXPECT_STREQ(SqliteException::CodeName(code), "UNKNOWN_ERROR") << code;
  EXPECT_STREQ(SqliteException(26, "file is encrypted or is not a database").message(),
               "UNKNOWN_ERROR[26]: file is encrypted or is not a database");
}

TEST(SqliteException, CopiesOwnTheirMessageAndMovesLeaveNone) {
  auto original = std::make_unique<SqliteException>(5, "database is locked");
  SqliteException copy(*original);
  EXPECT_NE(copy.message(), original->message());
  original.reset();
  EXPECT_STREQ(copy.message(), "SQLITE_BUSY[5]: database is locked");

  SqliteException moved(std::move(copy));
  EXPECT_EQ(copy.message(), nullptr);
  SqliteException copyOfEmpty(copy);
  EXPECT_EQ(copyOfEmpty.message(), nullptr);
  EXPECT_EQ(copyOfEmpty.code(), 5);
  EXPECT_STREQ(moved.message(), "SQLITE_BUSY[5]: database is locked");
}
