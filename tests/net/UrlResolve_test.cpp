#include "net/UrlResolve.h"

#include <gtest/gtest.h>

namespace {

TEST(ResolveUrl, ReferencesAgainstABase) {
  const std::string base = "http://a/b/c/d;p?q";
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"g", "http://a/b/c/g"},         {"./g", "http://a/b/c/g"},      {"g/", "http://a/b/c/g/"},
      {"/g", "http://a/g"},            {"//g", "http://g"},            {"?y", "http://a/b/c/d;p?y"},
      {"g?y", "http://a/b/c/g?y"},     {"#s", "http://a/b/c/d;p?q"},   {"g#s", "http://a/b/c/g"},
      {"", "http://a/b/c/d;p?q"},      {".", "http://a/b/c/"},         {"./", "http://a/b/c/"},
      {"..", "http://a/b/"},           {"../", "http://a/b/"},         {"../g", "http://a/b/g"},
      {"../..", "http://a/"},          {"../../g", "http://a/g"},      {"../../../g", "http://a/g"},
      {"/./g", "http://a/g"},          {"/../g", "http://a/g"},        {"g.", "http://a/b/c/g."},
      {"..g", "http://a/b/c/..g"},     {"./g/.", "http://a/b/c/g/"},   {"g/../h", "http://a/b/c/h"},
      {"HTTP://Other:81/x", "HTTP://Other:81/x"}, {"https://s/x", "https://s/x"},
  };
  for (const auto& [reference, expected] : cases) EXPECT_EQ(ResolveUrl(base, reference), expected) << reference;
}

TEST(ResolveUrl, BasesWithPortsAndWithoutPaths) {
  EXPECT_EQ(ResolveUrl("http://127.0.0.1:8080", "x/y"), "http://127.0.0.1:8080/x/y");
  EXPECT_EQ(ResolveUrl("http://127.0.0.1:8080?q", "/p?r=1#f"), "http://127.0.0.1:8080/p?r=1");
  EXPECT_EQ(ResolveUrl("http://h:1/a/b", "//other:2/c"), "http://other:2/c");
}

}  // namespace
