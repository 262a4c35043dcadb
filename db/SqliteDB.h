// A connection to one SQLite database file, and the factory of queries,
// tables and statements over it.
//
// Statements are compiled with the legacy sqlite3_prepare, so only the first
// statement of a text is compiled and step errors arrive as a generic error
// whose specific code comes from the following reset or finalize. Every
// failure throws SqliteException.
#ifndef VELMORA_DB_SQLITEDB_H
#define VELMORA_DB_SQLITEDB_H

#include <cstdint>

#include "db/SqliteQuery.h"
#include "db/SqliteStatement.h"
#include "db/SqliteTable.h"

class SqliteDB {
 public:
  SqliteDB();
  SqliteDB(const SqliteDB&) = delete;
  SqliteDB& operator=(const SqliteDB&) = delete;
  virtual ~SqliteDB();

  // `fileName` is ANSI code-page text. Opens read-write, creating the file.
  // Always 0 on return. On failure the handle SQLite handed back is kept, so
  // close() releases it.
  int open(const char* fileName);
  // Never throws. The object forgets its connection at once; while queries
  // or statements on it are unfinalized SQLite keeps it open for them.
  void close();

  // Runs every statement of the text; the change count of the last one.
  int execDML(const char* sql);
  // A query owning its statement, on the first row or at its end.
  SqliteQuery execQuery(const char* sql);
  // The first column of the first row as an integer (0 for SQL NULL).
  int execScalar(const char* sql);
  bool tableExists(const char* tableName);
  SqliteTable getTable(const char* sql);
  SqliteStatement compileStatement(const char* sql);
  std::int64_t lastRowId() const;

  bool isOpen() const { return db_ != nullptr; }

 private:
  void checkDB() const;
  sqlite3_stmt* compile(const char* sql);

  sqlite3* db_;
  int busyTimeoutMs_;
};

#endif
