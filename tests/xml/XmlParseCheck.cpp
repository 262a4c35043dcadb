#include "tests/xml/XmlParseCheck.h"

#include <gtest/gtest.h>

#include "platform/Utf8Codec.h"
#include "tests/xml/XmlTestSupport.h"
#include "xml/CXmlDocument.h"

bool ParseTwiceAndCheck(const std::string& bytes, const std::string& name) {
  std::u16string text;
  platform::AppendUtf8AsUtf16(bytes, text);
  CXmlDocument first(text);
  const bool verdict = first.IsWellFormed();
  CXmlDocument second(first.GetDoc());
  EXPECT_EQ(second.IsWellFormed(), verdict) << name;
  EXPECT_TRUE(first.GetDoc() == text) << name;
  EXPECT_EQ(DumpTree(first), DumpTree(second)) << name;
  EXPECT_EQ(CheckIndex(first), "") << name;
  return verdict;
}
