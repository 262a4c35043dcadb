// Replays the encoding fuzz seeds through the fuzz entry, so every build
// checks what the fuzzer checks.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

TEST(XmlEncodingFuzzReplay, SeedsHoldTheInvariants) {
  const char* source = std::getenv("VELMORA_SOURCE_DIR");
  if (!source) GTEST_SKIP() << "VELMORA_SOURCE_DIR not set";
  size_t files = 0;
  for (const auto& entry :
       std::filesystem::directory_iterator(std::filesystem::path(source) / "tests/xml/fuzz/XmlEncoding_corpus")) {
    std::ifstream in(entry.path(), std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    ++files;
  }
  EXPECT_GT(files, 0u);
}
