#include "db/SqliteException.h"

#include <sqlite3.h>

#include <iterator>
#include <utility>

namespace {

// Indexed by code for 0..25; 26 is deliberately absent from the names the
// messages have always used, so it falls through to UNKNOWN_ERROR.
constexpr const char* kPrimaryCodeNames[] = {
    "SQLITE_OK",       "SQLITE_ERROR",     "SQLITE_INTERNAL", "SQLITE_PERM",     "SQLITE_ABORT",
    "SQLITE_BUSY",     "SQLITE_LOCKED",    "SQLITE_NOMEM",    "SQLITE_READONLY", "SQLITE_INTERRUPT",
    "SQLITE_IOERR",    "SQLITE_CORRUPT",   "SQLITE_NOTFOUND", "SQLITE_FULL",     "SQLITE_CANTOPEN",
    "SQLITE_PROTOCOL", "SQLITE_EMPTY",     "SQLITE_SCHEMA",   "SQLITE_TOOBIG",   "SQLITE_CONSTRAINT",
    "SQLITE_MISMATCH", "SQLITE_MISUSE",    "SQLITE_NOLFS",    "SQLITE_AUTH",     "SQLITE_FORMAT",
    "SQLITE_RANGE",
};
constexpr int kPrimaryCodeCount = static_cast<int>(std::size(kPrimaryCodeNames));

}  // namespace

const char* SqliteException::CodeName(int code) {
  if (code >= 0 && code < kPrimaryCodeCount) return kPrimaryCodeNames[code];
  switch (code) {
    case SQLITE_ROW: return "SQLITE_ROW";
    case SQLITE_DONE: return "SQLITE_DONE";
    case WRAPPER_ERROR: return "WRAPPER_ERROR";
    default: return "UNKNOWN_ERROR";
  }
}

SqliteException::SqliteException(int code, const char* text)
    : code_(code), message_(sqlite3_mprintf("%s[%d]: %s", CodeName(code), code, text ? text : "")) {}

SqliteException::SqliteException(const SqliteException& other)
    : code_(other.code_), message_(other.message_ ? sqlite3_mprintf("%s", other.message_) : nullptr) {}

SqliteException::SqliteException(SqliteException&& other) noexcept
    : code_(other.code_), message_(std::exchange(other.message_, nullptr)) {}

SqliteException::~SqliteException() { sqlite3_free(message_); }

void ThrowWithSqliteText(int code, char* sqliteText) {
  SqliteException error(code, sqliteText);
  sqlite3_free(sqliteText);
  throw error;
}
