#include "db/SqliteTable.h"

#include <sqlite3.h>

#include <cstring>
#include <utility>

#include "db/SqliteException.h"

SqliteTable::SqliteTable() : columnCount_(0), rowCount_(0), currentRow_(0), results_(nullptr) {}

SqliteTable::SqliteTable(char** results, int rows, int columns)
    : columnCount_(columns), rowCount_(rows), currentRow_(0), results_(results) {}

SqliteTable::SqliteTable(SqliteTable&& other) noexcept
    : columnCount_(other.columnCount_),
      rowCount_(other.rowCount_),
      currentRow_(other.currentRow_),
      results_(std::exchange(other.results_, nullptr)) {}

SqliteTable& SqliteTable::operator=(SqliteTable&& other) noexcept {
  if (this == &other) return *this;
  finalize();
  columnCount_ = other.columnCount_;
  rowCount_ = other.rowCount_;
  currentRow_ = other.currentRow_;
  results_ = std::exchange(other.results_, nullptr);
  return *this;
}

SqliteTable::~SqliteTable() { finalize(); }

void SqliteTable::checkResults() const {
  if (!results_) throw SqliteException(WRAPPER_ERROR, "Null Results pointer");
}

void SqliteTable::checkIndex(int index) const {
  if (index < 0 || index > columnCount_ - 1)
    throw SqliteException(WRAPPER_ERROR, "Invalid field index requested");
}

int SqliteTable::columnOf(const char* name) const {
  if (name) {
    for (int column = 0; column < columnCount_; ++column)
      if (results_[column] && std::strcmp(results_[column], name) == 0) return column;
  }
  throw SqliteException(WRAPPER_ERROR, "Invalid field name requested");
}

int SqliteTable::numFields() const {
  checkResults();
  return columnCount_;
}

int SqliteTable::numRows() const {
  checkResults();
  return rowCount_;
}

const char* SqliteTable::fieldName(int index) const {
  checkResults();
  checkIndex(index);
  return results_[index];
}

const char* SqliteTable::fieldValue(int index) const {
  checkResults();
  checkIndex(index);
  // With empty_result_callbacks on, SQLite reports the column names of a
  // result without rows; there is no row to read then, and the entry past
  // the names is outside the array.
  if (currentRow_ >= rowCount_) throw SqliteException(WRAPPER_ERROR, "Invalid row index requested");
  return results_[(currentRow_ + 1) * columnCount_ + index];
}

const char* SqliteTable::fieldValue(const char* name) const {
  checkResults();
  return fieldValue(columnOf(name));
}

bool SqliteTable::fieldIsNull(int index) const { return fieldValue(index) == nullptr; }

bool SqliteTable::fieldIsNull(const char* name) const { return fieldValue(name) == nullptr; }

void SqliteTable::setRow(int row) {
  checkResults();
  if (row < 0 || row > rowCount_ - 1) throw SqliteException(WRAPPER_ERROR, "Invalid row index requested");
  currentRow_ = row;
}

void SqliteTable::finalize() {
  if (!results_) return;
  sqlite3_free_table(std::exchange(results_, nullptr));
}
