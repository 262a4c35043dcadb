#include "db/SqliteDB.h"

#include <sqlite3.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "db/SqliteException.h"
#include "platform/Path.h"

namespace {

struct SqliteFree {
  void operator()(char* text) const { sqlite3_free(text); }
};
using SqliteText = std::unique_ptr<char, SqliteFree>;

}  // namespace

SqliteDB::SqliteDB() : db_(nullptr), busyTimeoutMs_(60000) {}

SqliteDB::~SqliteDB() { close(); }

int SqliteDB::open(const char* fileName) {
  // Re-opening must not strand the connection we already hold.
  close();
  int result;
  {
    std::string nativeName = platform::NativePathFromAnsi(fileName ? fileName : "");
    result = sqlite3_open_v2(nativeName.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
  }
  if (result != SQLITE_OK) throw SqliteException(result, sqlite3_errmsg(db_));
  sqlite3_busy_timeout(db_, busyTimeoutMs_);
  return 0;
}

void SqliteDB::close() {
  if (!db_) return;
  // With statements still unfinalized SQLite answers SQLITE_BUSY and keeps
  // the connection for them; they stay fully usable.
  sqlite3_close(db_);
  db_ = nullptr;
}

void SqliteDB::checkDB() const {
  if (!db_) throw SqliteException(WRAPPER_ERROR, "Database not open");
}

sqlite3_stmt* SqliteDB::compile(const char* sql) {
  checkDB();
  sqlite3_stmt* statement = nullptr;
  const char* tail = nullptr;
  int result = sqlite3_prepare(db_, sql, -1, &statement, &tail);
  if (result != SQLITE_OK) throw SqliteException(result, "");
  return statement;
}

int SqliteDB::execDML(const char* sql) {
  checkDB();
  char* errorText = nullptr;
  int result = sqlite3_exec(db_, sql, nullptr, nullptr, &errorText);
  if (result != SQLITE_OK) ThrowWithSqliteText(result, errorText);
  return sqlite3_changes(db_);
}

SqliteQuery SqliteDB::execQuery(const char* sql) {
  sqlite3_stmt* statement = compile(sql);
  // A text with no statement in it (empty, blanks, a comment) compiles to
  // nothing; the query then holds no statement and says so when used.
  if (!statement) return SqliteQuery(db_, nullptr, true, true);
  int result = sqlite3_step(statement);
  if (result == SQLITE_DONE || result == SQLITE_ROW)
    return SqliteQuery(db_, statement, result == SQLITE_DONE, true);
  result = sqlite3_finalize(statement);
  throw SqliteException(result, sqlite3_errmsg(db_));
}

int SqliteDB::execScalar(const char* sql) {
  SqliteQuery query = execQuery(sql);
  if (query.eof() || query.numFields() < 1) throw SqliteException(WRAPPER_ERROR, "Invalid scalar query");
  // A NULL first value reads as 0, as the integer getters read NULL.
  const char* value = query.fieldValue(0);
  return value ? std::atoi(value) : 0;
}

bool SqliteDB::tableExists(const char* tableName) {
  // %q doubles every quote, so the name can never end the literal early and
  // a name of any length is looked up as it stands.
  SqliteText sql(sqlite3_mprintf("select count(*) from sqlite_master where type='table' and name='%q'",
                                 tableName ? tableName : ""));
  if (!sql) throw SqliteException(SQLITE_NOMEM, "");
  return execScalar(sql.get()) > 0;
}

SqliteTable SqliteDB::getTable(const char* sql) {
  checkDB();
  char** results = nullptr;
  int rows = 0;
  int columns = 0;
  char* errorText = nullptr;
  int result = sqlite3_get_table(db_, sql, &results, &rows, &columns, &errorText);
  if (result != SQLITE_OK) ThrowWithSqliteText(result, errorText);
  return SqliteTable(results, rows, columns);
}

SqliteStatement SqliteDB::compileStatement(const char* sql) {
  return SqliteStatement(db_, compile(sql));
}

std::int64_t SqliteDB::lastRowId() const {
  checkDB();
  return sqlite3_last_insert_rowid(db_);
}
