// Every XML-looking file under /usr/share: parsing must not crash, must give
// the same verdict and tree twice, and the index must frame the text. What
// it reads differs from machine to machine, so it runs only on request
// (ctest -L machine); tests/xml/corpus is the same check on fixed files.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/xml/XmlParseCheck.h"
#include "xml/CXmlDocument.h"

namespace {

namespace fs = std::filesystem;

bool LooksLikeXml(const fs::path& p) {
  std::string ext = p.extension().string();
  for (char& c : ext) c = char(std::tolower((unsigned char)c));
  return ext == ".xml" || ext == ".xsd" || ext == ".xsl" || ext == ".xslt" || ext == ".svg" || ext == ".xhtml" ||
         ext == ".ui" || ext == ".policy" || ext == ".glade" || ext == ".rng";
}

TEST(XmlMachineSweep, ParsesEveryXmlFileUnderUsrShare) {
  std::size_t files = 0, wellFormed = 0;
  std::error_code ec;
  const std::uintmax_t kMaxBytes = 64u << 20;
  for (fs::recursive_directory_iterator it("/usr/share", fs::directory_options::skip_permission_denied, ec), end;
       it != end; it.increment(ec)) {
    if (ec) break;
    if (!it->is_regular_file(ec) || !LooksLikeXml(it->path())) continue;
    if (it->file_size(ec) > kMaxBytes) continue;
    std::ifstream in(it->path(), std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    bool verdict = false;
    ASSERT_NO_FATAL_FAILURE(verdict = ParseTwiceAndCheck(bytes.str(), it->path().string()));
    ++files;
    wellFormed += verdict;
  }
  std::printf("parsed %zu files, %zu well formed\n", files, wellFormed);
  EXPECT_GT(files, 0u);
}

}  // namespace
