#include "tests/support/SourceFiles.h"

#include <cstdlib>
#include <filesystem>

#include "tests/support/TempDir.h"

std::string SourceDir() {
  const char* dir = std::getenv("VELMORA_SOURCE_DIR");
  return dir ? dir : ".";
}

std::size_t FeedSourceFiles(const std::string& relativeFolder,
                            const std::function<void(const std::string& bytes)>& feed,
                            const std::function<bool(const std::string& fileName)>& accept) {
  std::error_code error;
  std::filesystem::directory_iterator it(std::filesystem::path(SourceDir()) / relativeFolder, error);
  std::size_t files = 0;
  for (; !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
    if (!it->is_regular_file()) continue;
    if (accept && !accept(it->path().filename().string())) continue;
    feed(ReadFileBytes(it->path().string()));
    ++files;
  }
  return files;
}
