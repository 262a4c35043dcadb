// A compiled statement with 1-based parameter binding, run again and again.
//
// Moving a statement copies its handles and clears the source's statement;
// unlike queries and tables, the target does NOT finalize a statement it
// already held (its owner is expected to have finalized it). Queries made by
// execQuery borrow the statement and stay valid until it is reset, re-run or
// finalized. Every failure throws SqliteException.
#ifndef VELMORA_DB_SQLITESTATEMENT_H
#define VELMORA_DB_SQLITESTATEMENT_H

#include <cstddef>
#include <cstdint>

#include "db/SqliteQuery.h"

class SqliteStatement {
 public:
  SqliteStatement();
  SqliteStatement(sqlite3* db, sqlite3_stmt* statement);
  SqliteStatement(SqliteStatement&& other) noexcept;
  SqliteStatement& operator=(SqliteStatement&& other) noexcept;
  SqliteStatement(const SqliteStatement&) = delete;
  SqliteStatement& operator=(const SqliteStatement&) = delete;
  virtual ~SqliteStatement();

  // Runs to completion; the change count. The statement is reset afterwards,
  // also when it fails.
  int execDML();
  // A query borrowing this statement, on its first row or at its end.
  SqliteQuery execQuery();

  // Text and blob values are copied by SQLite during the call.
  void bind(int parameter, const char* text);
  void bind(int parameter, int value);
  void bind(int parameter, double value);
  void bind(int parameter, const void* bytes, std::size_t length);
  // For script integers that do not fit 32 bits.
  void bindInt64(int parameter, std::int64_t value);
  void bindNull(int parameter);

  void reset();
  void finalize();

 private:
  void checkDB() const;
  void checkStatement() const;
  [[noreturn]] void throwConnectionError(int code) const;

  sqlite3* db_;
  sqlite3_stmt* statement_;
};

#endif
