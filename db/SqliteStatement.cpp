#include "db/SqliteStatement.h"

#include <sqlite3.h>

#include <utility>

#include "db/SqliteException.h"

namespace {

void CheckBind(int result, const char* text) {
  if (result != SQLITE_OK) throw SqliteException(result, text);
}

}  // namespace

SqliteStatement::SqliteStatement() : db_(nullptr), statement_(nullptr) {}

SqliteStatement::SqliteStatement(sqlite3* db, sqlite3_stmt* statement) : db_(db), statement_(statement) {}

SqliteStatement::SqliteStatement(SqliteStatement&& other) noexcept
    : db_(other.db_), statement_(std::exchange(other.statement_, nullptr)) {}

SqliteStatement& SqliteStatement::operator=(SqliteStatement&& other) noexcept {
  if (this == &other) return *this;
  db_ = other.db_;
  statement_ = std::exchange(other.statement_, nullptr);
  return *this;
}

SqliteStatement::~SqliteStatement() {
  try {
    finalize();
  } catch (const SqliteException&) {
  }
}

void SqliteStatement::checkDB() const {
  if (!db_) throw SqliteException(WRAPPER_ERROR, "Database not open");
}

void SqliteStatement::checkStatement() const {
  if (!statement_) throw SqliteException(WRAPPER_ERROR, "Null Virtual Machine pointer");
}

void SqliteStatement::throwConnectionError(int code) const {
  throw SqliteException(code, sqlite3_errmsg(db_));
}

int SqliteStatement::execDML() {
  checkDB();
  checkStatement();
  int result = sqlite3_step(statement_);
  if (result == SQLITE_DONE) {
    int changes = sqlite3_changes(db_);
    result = sqlite3_reset(statement_);
    if (result != SQLITE_OK) throwConnectionError(result);
    return changes;
  }
  // Rows or an error: either way the statement is made ready to run again,
  // and the reset tells the specific error the legacy compile hides.
  throwConnectionError(sqlite3_reset(statement_));
}

SqliteQuery SqliteStatement::execQuery() {
  checkDB();
  checkStatement();
  int result = sqlite3_step(statement_);
  if (result == SQLITE_DONE || result == SQLITE_ROW)
    return SqliteQuery(db_, statement_, result == SQLITE_DONE, false);
  throwConnectionError(sqlite3_reset(statement_));
}

void SqliteStatement::bind(int parameter, const char* text) {
  checkStatement();
  CheckBind(sqlite3_bind_text(statement_, parameter, text, -1, SQLITE_TRANSIENT), "Error binding string param");
}

void SqliteStatement::bind(int parameter, int value) {
  checkStatement();
  CheckBind(sqlite3_bind_int(statement_, parameter, value), "Error binding int param");
}

void SqliteStatement::bind(int parameter, double value) {
  checkStatement();
  CheckBind(sqlite3_bind_double(statement_, parameter, value), "Error binding double param");
}

void SqliteStatement::bind(int parameter, const void* bytes, std::size_t length) {
  checkStatement();
  // The 64-bit length form: a value past SQLite's limit is refused as
  // SQLITE_TOOBIG instead of being cut to a wrong length.
  CheckBind(sqlite3_bind_blob64(statement_, parameter, bytes, length, SQLITE_TRANSIENT),
            "Error binding blob param");
}

void SqliteStatement::bindInt64(int parameter, std::int64_t value) {
  checkStatement();
  CheckBind(sqlite3_bind_int64(statement_, parameter, value), "Error binding int param");
}

void SqliteStatement::bindNull(int parameter) {
  checkStatement();
  CheckBind(sqlite3_bind_null(statement_, parameter), "Error binding NULL param");
}

void SqliteStatement::reset() {
  if (!statement_) return;
  int result = sqlite3_reset(statement_);
  if (result != SQLITE_OK) throwConnectionError(result);
}

void SqliteStatement::finalize() {
  if (!statement_) return;
  int result = sqlite3_finalize(std::exchange(statement_, nullptr));
  if (result != SQLITE_OK) throwConnectionError(result);
}
