#include "xml/XmlEncodingDeclaration.h"

#include <gtest/gtest.h>

using xmlenc::DeclaredEncoding;

TEST(XmlEncodingDeclaration, XmlDeclarationAtTheStartOnly) {
  EXPECT_EQ(DeclaredEncoding(u"<?xml version=\"1.0\" encoding=\"GB2312\"?><r/>"), u"GB2312");
  EXPECT_EQ(DeclaredEncoding(u"<?XML Version='1.0' Encoding='big5'?>"), u"big5");
  EXPECT_EQ(DeclaredEncoding(u"<?xml version=\"1.0\"?><html><meta http-equiv=\"Content-Type\" "
                             u"content=\"text/html; charset=gbk\">"),
            u"");  // a declaration without encoding ends the search
  EXPECT_EQ(DeclaredEncoding(u" <?xml version=\"1.0\" encoding=\"gbk\"?><r/>"), u"");
  EXPECT_EQ(DeclaredEncoding(u"<?xml-stylesheet encoding=\"gbk\"?><r/>"), u"");
  EXPECT_EQ(DeclaredEncoding(u"<r encoding=\"gbk\"/>"), u"");
  EXPECT_EQ(DeclaredEncoding(u""), u"");
  EXPECT_EQ(DeclaredEncoding(u"<?xml encoding=\"gbk\""), u"");  // cut short: an erroneous node
}

TEST(XmlEncodingDeclaration, HtmlContentTypeMeta) {
  EXPECT_EQ(DeclaredEncoding(u"<!DOCTYPE html><!-- x --><html><head><title>t</title>"
                             u"<meta name=\"author\" content=\"charset=no\">"
                             u"<meta http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\">"),
            u"gb2312");
  EXPECT_EQ(DeclaredEncoding(u"<HTML><HEAD><META CONTENT='text/html ; CharSet = utf-8' "
                             u"HTTP-EQUIV=content-type></HEAD></HTML>"),
            u"utf-8");
  // A delimiter right after '=' is the word that follows.
  EXPECT_EQ(DeclaredEncoding(u"<html><meta http-equiv=\"Content-Type\" content=\"charset=;\">"), u";");
}

TEST(XmlEncodingDeclaration, HtmlSearchStops) {
  const std::u16string meta = u"<meta http-equiv=\"Content-Type\" content=\"text/html; charset=gbk\">";
  EXPECT_EQ(DeclaredEncoding(u"<html><head></head>" + meta), u"");
  EXPECT_EQ(DeclaredEncoding(u"<body><html>" + meta), u"");     // first start tag is not html
  EXPECT_EQ(DeclaredEncoding(u"<html><head><1>" + meta), u"");  // erroneous node
  EXPECT_EQ(DeclaredEncoding(u"<html><meta http-equiv=\"Content-Type\" content=\"text/html\">" + meta),
            u"");  // a Content-Type meta without charset
  EXPECT_EQ(DeclaredEncoding(u"<html><meta http-equiv=\"Content-Type\">" + meta), u"gbk");
  EXPECT_EQ(DeclaredEncoding(u"</head><html>" + meta), u"gbk");  // </head> before <html> is skipped
}
