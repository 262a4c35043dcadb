// Walks data folders of the source tree (fuzz seed corpora, the skin) so
// tests can feed every file to the code under test.
#ifndef VELMORA_TESTS_SOURCEFILES_H
#define VELMORA_TESTS_SOURCEFILES_H

#include <cstddef>
#include <functional>
#include <string>

// Source directory of the tests (from VELMORA_SOURCE_DIR).
std::string SourceDir();

// Calls `feed` with the bytes of every regular file in SOURCE/relativeFolder
// whose name `accept` takes (all, when `accept` is empty). Returns how many
// files were fed; 0 when the folder is missing.
std::size_t FeedSourceFiles(const std::string& relativeFolder,
                            const std::function<void(const std::string& bytes)>& feed,
                            const std::function<bool(const std::string& fileName)>& accept = {});

#endif
