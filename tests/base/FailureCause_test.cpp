#include "base/FailureCause.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

// Scripts key translated reasons on these names, so every cause needs its
// own, and a name must lead back to the same cause.
TEST(FailureCause, EveryCauseHasItsOwnNameThatLeadsBack) {
  std::set<std::string> seen;
  for (int i = 0; i <= static_cast<int>(FailureCause::Internal); ++i) {
    auto cause = static_cast<FailureCause>(i);
    std::string name = FailureCauseName(cause);
    EXPECT_TRUE(seen.insert(name).second) << name << " is used twice";
    EXPECT_EQ(FailureCauseFromName(name), cause) << name;
  }
  EXPECT_EQ(FailureCauseFromName("no-such-cause"), FailureCause::None);
  EXPECT_STREQ(FailureCauseName(FailureCause::TlsCertificate), "tls-certificate");
}
