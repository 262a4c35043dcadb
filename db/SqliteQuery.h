// A forward-only cursor over the rows of one compiled statement.
//
// A query either owns its statement (made by SqliteDB::execQuery) and
// finalizes it, or borrows it from a SqliteStatement (made by
// SqliteStatement::execQuery) and never finalizes it. Moving a query
// transfers the statement: the source is left holding none. Every failure
// throws SqliteException.
#ifndef VELMORA_DB_SQLITEQUERY_H
#define VELMORA_DB_SQLITEQUERY_H

#include <cstddef>

struct sqlite3;
struct sqlite3_stmt;

class SqliteQuery {
 public:
  SqliteQuery();
  SqliteQuery(sqlite3* db, sqlite3_stmt* statement, bool atEnd, bool ownsStatement);
  SqliteQuery(SqliteQuery&& other) noexcept;
  // Finalizes what this query owned (errors swallowed), then takes over.
  SqliteQuery& operator=(SqliteQuery&& other) noexcept;
  SqliteQuery(const SqliteQuery&) = delete;
  SqliteQuery& operator=(const SqliteQuery&) = delete;
  virtual ~SqliteQuery();

  int numFields() const;
  // Lowest index whose column name equals `name` byte for byte.
  int fieldIndex(const char* name) const;
  const char* fieldName(int index) const;
  // Null for expression columns.
  const char* fieldDeclType(int index) const;
  // 1 integer, 2 float, 3 text, 4 blob, 5 null.
  int fieldDataType(int index) const;
  // Null for SQL NULL.
  const char* fieldValue(int index) const;
  bool fieldIsNull(int index) const;

  // NULL reads as 0, 0.0 and "".
  int getIntField(int index) const;
  int getIntField(const char* name) const;
  double getFloatField(int index) const;
  double getFloatField(const char* name) const;
  const char* getStringField(int index) const;
  const char* getStringField(const char* name) const;
  // The bytes stay valid until the statement steps, resets or finalizes.
  const unsigned char* getBlobField(int index, int& length) const;

  bool eof() const;
  void nextRow();
  // Releases an owned statement; a borrowed one is left to its owner.
  void finalize();

 private:
  // Inline, with the throws out of line: every getter of every row checks.
  void checkStatement() const {
    if (!statement_) throwNoStatement();
  }
  void checkIndex(int index) const {
    checkStatement();
    if (index < 0 || index > columnCount_ - 1) throwBadIndex();
  }
  [[noreturn]] static void throwNoStatement();
  [[noreturn]] static void throwBadIndex();
  [[noreturn]] void throwConnectionError(int code) const;

  sqlite3* db_;
  sqlite3_stmt* statement_;
  bool atEnd_;
  int columnCount_;
  bool ownsStatement_;
};

#endif
