// Helpers shared by the database wrapper tests.
#ifndef VELMORA_TESTS_DB_SQLITETESTSUPPORT_H
#define VELMORA_TESTS_DB_SQLITETESTSUPPORT_H

#include <string>

#include "db/SqliteException.h"

// The message of the SqliteException `work` throws, or "(no exception)".
template <class Work>
std::string MessageOf(Work&& work) {
  try {
    work();
  } catch (const SqliteException& error) {
    return error.message() ? error.message() : "(null message)";
  }
  return "(no exception)";
}

#endif
