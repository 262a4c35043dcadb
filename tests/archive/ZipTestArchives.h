// Archives the archive tests write with libzip: entries with chosen names,
// name encodings, data and Unix file types.
#ifndef VELMORA_TESTS_ARCHIVE_ZIPTESTARCHIVES_H
#define VELMORA_TESTS_ARCHIVE_ZIPTESTARCHIVES_H

#include <string>
#include <vector>

struct TestEntry {
  std::string name;  // bytes as stored
  std::string data;  // ignored for directories (names ending in '/')
  bool utf8Flag = false;
  bool symlink = false;
};

// Writes the archive; false when libzip refused.
bool WriteTestZip(const std::string& path, const std::vector<TestEntry>& entries);

// Every regular file under `folder`, as "relative/path=contents" lines in
// sorted order (directories as "relative/path/").
std::vector<std::string> ListTree(const std::string& folder);

#endif
