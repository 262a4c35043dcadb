// Replays the fuzz seed corpus through the fuzz entry, so every build checks
// the invariants the fuzzer checks.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "tests/support/SourceFiles.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

TEST(XmlFuzzReplay, SeedCorpusKeepsTheIndexSound) {
  const auto feed = [](const std::string& bytes) {
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  };
  EXPECT_GT(FeedSourceFiles("tests/xml/fuzz/corpus", feed), 0u);
}
