// Replays the layout fuzzer's seed corpus through its entry, so every build
// checks what the fuzzer checks.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

TEST(LayoutFuzzReplay, SeedCorpusBuildsWithoutCrashing) {
  const char* source = std::getenv("VELMORA_SOURCE_DIR");
  if (!source) GTEST_SKIP() << "VELMORA_SOURCE_DIR not set";
  std::size_t files = 0;
  for (const char* folder : {"tests/ui/fuzz/corpus", "skin"}) {
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(source) / folder)) {
      if (!entry.is_regular_file()) continue;
      if (entry.path().extension() != ".xml" && entry.path().extension() != "") continue;
      std::ifstream in(entry.path(), std::ios::binary);
      std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
      ++files;
    }
  }
  EXPECT_GT(files, 8u);
}
