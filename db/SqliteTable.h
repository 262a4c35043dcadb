// A whole query result held in memory (sqlite3_get_table), with a current row.
//
// The result array holds the column names first, then the rows; entry
// (row + 1) * columns + column is a value, null for SQL NULL. Moving a table
// transfers the array. Every failure throws SqliteException, except finalize.
#ifndef VELMORA_DB_SQLITETABLE_H
#define VELMORA_DB_SQLITETABLE_H

class SqliteTable {
 public:
  SqliteTable();
  // Takes ownership of an array from sqlite3_get_table.
  SqliteTable(char** results, int rows, int columns);
  SqliteTable(SqliteTable&& other) noexcept;
  // Releases what this table held, then takes over.
  SqliteTable& operator=(SqliteTable&& other) noexcept;
  SqliteTable(const SqliteTable&) = delete;
  SqliteTable& operator=(const SqliteTable&) = delete;
  virtual ~SqliteTable();

  int numFields() const;
  int numRows() const;
  const char* fieldName(int index) const;
  // Values of the current row; null for SQL NULL.
  const char* fieldValue(int index) const;
  const char* fieldValue(const char* name) const;
  bool fieldIsNull(int index) const;
  bool fieldIsNull(const char* name) const;
  void setRow(int row);
  void finalize();

 private:
  void checkResults() const;
  void checkIndex(int index) const;
  int columnOf(const char* name) const;

  int columnCount_;
  int rowCount_;
  int currentRow_;
  char** results_;
};

#endif
