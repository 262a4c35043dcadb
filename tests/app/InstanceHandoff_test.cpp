#include "app/InstanceHandoff.h"

#include <gtest/gtest.h>

TEST(ClientCommandText, JoinsTheArgumentsOfAClientOrBrowserCommand) {
  EXPECT_EQ(ClientCommandText({u"velmora", u"#clicent#a", u"\u4E2D b"}), "#clicent#a \xE4\xB8\xAD b");
  EXPECT_EQ(ClientCommandText({u"velmora", u"#BROWSER#http://x/"}), "#BROWSER#http://x/");
}

TEST(ClientCommandText, IgnoresOtherCommandLines) {
  EXPECT_EQ(ClientCommandText({u"velmora"}), "");
  EXPECT_EQ(ClientCommandText({}), "");
  EXPECT_EQ(ClientCommandText({u"velmora", u"#clicent"}), "");
  EXPECT_EQ(ClientCommandText({u"velmora", u"--verbose", u"#clicent#x"}), "");
}
