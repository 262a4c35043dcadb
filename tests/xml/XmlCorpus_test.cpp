// The fixed corpus in tests/xml/corpus (written by its generate.py): every
// file passes the round-trip checks, and the generator's well-formed
// documents are judged well formed, on every machine alike.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/SourceFiles.h"
#include "tests/xml/XmlParseCheck.h"

namespace {

TEST(XmlCorpus, RepositoryCorpusParsesTwiceAlikeAndKnowsWellFormedFiles) {
  std::size_t files = 0, wellFormed = 0;
  std::string name;
  const std::size_t fed = FeedSourceFiles(
      "tests/xml/corpus",
      [&](const std::string& bytes) {
        const bool verdict = ParseTwiceAndCheck(bytes, name);
        if (name.rfind("ok-", 0) == 0) {
          EXPECT_TRUE(verdict) << name << " is well formed";
        }
        ++files;
        wellFormed += verdict;
      },
      [&](const std::string& fileName) {
        name = fileName;
        return fileName.ends_with(".xml");
      });
  EXPECT_EQ(fed, files);
  EXPECT_GE(files, 300u);
  EXPECT_GE(wellFormed, 200u);
}

}  // namespace
