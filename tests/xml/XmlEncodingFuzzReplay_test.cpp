// Replays the encoding fuzz seeds through the fuzz entry, so every build
// checks what the fuzzer checks.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "tests/support/SourceFiles.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

TEST(XmlEncodingFuzzReplay, SeedsHoldTheInvariants) {
  const auto feed = [](const std::string& bytes) {
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  };
  EXPECT_GT(FeedSourceFiles("tests/xml/fuzz/XmlEncoding_corpus", feed), 0u);
}
