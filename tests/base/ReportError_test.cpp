#include "base/ReportError.h"

#include <gtest/gtest.h>

TEST(ReportError, FormatsStemLineAndDetails) {
  std::vector<std::string> reports;
  auto previous = SetDiagnosticSink([&](const std::string& r) { reports.push_back(r); });
  ReportError("tessaryLuaCommon", 12, "(error) (%s:%d) pcall error:\t%s.\n", "boom");
  ReportError("x", 3, "(error) (%s:%d)  param %d is not userdata ,type is %s\n", 2, "nil");
  ReportErrorText("WHttp", 7, "net read data is error...");
  SetDiagnosticSink(previous);
  ASSERT_EQ(reports.size(), 3u);
  EXPECT_EQ(reports[0], "(error) (tessaryLuaCommon:12) pcall error:\tboom.\n");
  EXPECT_EQ(reports[1], "(error) (x:3)  param 2 is not userdata ,type is nil\n");
  EXPECT_EQ(reports[2], "(error) (WHttp:7) net read data is error...\n");
}
