// The one error type of the database wrapper. Its message is always
// "NAME[code]: text", allocated with sqlite3_mprintf and owned by the
// exception. Thrown by value, caught by reference.
#ifndef VELMORA_DB_SQLITEEXCEPTION_H
#define VELMORA_DB_SQLITEEXCEPTION_H

// Code of failures found by the wrapper itself rather than by SQLite.
inline constexpr int WRAPPER_ERROR = 1000;

class SqliteException {
 public:
  // `text` may be null (formatted as empty). The caller keeps ownership of it.
  SqliteException(int code, const char* text);
  SqliteException(const SqliteException& other);
  SqliteException(SqliteException&& other) noexcept;
  SqliteException& operator=(const SqliteException&) = delete;
  SqliteException& operator=(SqliteException&&) = delete;
  virtual ~SqliteException();

  int code() const { return code_; }
  // Null only for a copy of an exception that had no message (a moved-from
  // one, or one whose formatting ran out of memory).
  const char* message() const { return message_; }

  // The symbolic name of a result code; "UNKNOWN_ERROR" for codes we do not name.
  static const char* CodeName(int code);

 private:
  int code_;
  char* message_;
};

// Builds the exception from a text SQLite allocated for us (sqlite3_exec,
// sqlite3_get_table), frees that text, and throws.
[[noreturn]] void ThrowWithSqliteText(int code, char* sqliteText);

#endif
