// Replays the layout fuzzer's seed corpus through its entry, so every build
// checks what the fuzzer checks.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "tests/support/SourceFiles.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

TEST(LayoutFuzzReplay, SeedCorpusBuildsWithoutCrashing) {
  const auto feed = [](const std::string& bytes) {
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  };
  const auto layoutsOnly = [](const std::string& name) {
    return name.find('.') == std::string::npos || name.ends_with(".xml");
  };
  std::size_t files = FeedSourceFiles("tests/ui/fuzz/corpus", feed, layoutsOnly) +
                      FeedSourceFiles("skin", feed, layoutsOnly);
  EXPECT_GT(files, 8u);
}
