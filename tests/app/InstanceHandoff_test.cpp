#include "app/InstanceHandoff.h"

#include <gtest/gtest.h>

TEST(ClientCommandText, JoinsTheArgumentsOfAClientOrBrowserCommand) {
  EXPECT_EQ(ClientCommandText({u"velmora", u"#clicent#a", u"\u4E2D b"}), "#clicent#a \xE4\xB8\xAD b");
  EXPECT_EQ(ClientCommandText({u"velmora", u"#BROWSER#http://x/"}), "#browser#http://x/");
  // Any case on the command line; the window's exact spelling on the way.
  EXPECT_EQ(ClientCommandText({u"velmora", u"#CliCent#http://X/A"}), "#clicent#http://X/A");
}

TEST(ClientCommandText, IgnoresOtherCommandLines) {
  EXPECT_EQ(ClientCommandText({u"velmora"}), "");
  EXPECT_EQ(ClientCommandText({}), "");
  EXPECT_EQ(ClientCommandText({u"velmora", u"#clicent"}), "");
  EXPECT_EQ(ClientCommandText({u"velmora", u"--verbose", u"#clicent#x"}), "");
}

TEST(LinkCommands, EveryWebLinkBecomesItsOwnClientCommand) {
  EXPECT_EQ(LinkCommands({u"velmora", u"HTTPS://a.example/x.iso", u"--flag", u"ftp://b/y", u"http://c/\u4E2D"}),
            (std::vector<std::string>{"#clicent#HTTPS://a.example/x.iso", "#clicent#ftp://b/y",
                                      "#clicent#http://c/\xE4\xB8\xAD"}));
  EXPECT_TRUE(LinkCommands({u"velmora", u"file:///etc/passwd", u"javascript:x", u"httpx://y"}).empty());
  EXPECT_TRUE(LinkCommands({}).empty());
}
