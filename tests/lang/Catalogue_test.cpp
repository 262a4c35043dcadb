// The catalogue file format: what a translator may write and what is refused.
#include "lang/Catalogue.h"

#include <gtest/gtest.h>

#include <random>
#include <regex>

#include "tests/support/SourceFiles.h"
#include "tests/support/TempDir.h"

namespace {

lang::Catalogue Parse(const std::string& text) {
  lang::Catalogue catalogue;
  Failure failure = lang::ParseCatalogue(text, "t.txt", catalogue);
  EXPECT_FALSE(failure) << failure.message;
  return catalogue;
}

// The message of a refused file (empty when it was accepted).
std::string Refusal(const std::string& text) {
  lang::Catalogue catalogue;
  Failure failure = lang::ParseCatalogue(text, "t.txt", catalogue);
  if (failure) {
    EXPECT_EQ(failure.cause, FailureCause::BadInput);
    EXPECT_TRUE(catalogue.texts.empty() && catalogue.skin.empty()) << "nothing half-read survives a refusal";
  }
  return failure.message;
}

TEST(Catalogue, ReadsBothSectionsCommentsAndTrimmedEntries) {
  const lang::Catalogue c = Parse(
      "# a comment\n"
      "\n"
      "[texts]\n"
      "meta.name = English\n"
      "\t details.file\t=  File  \n"
      "   # an indented comment\n"
      "empty =\n"
      "[skin]\n"
      "下载 = Download\n"
      "[更多] = [More]\n"
      "[texts]\n"
      "later = back in texts\n");
  EXPECT_EQ(c.texts.at("meta.name"), "English");
  EXPECT_EQ(c.texts.at("details.file"), "File");
  EXPECT_EQ(c.texts.at("empty"), "");
  EXPECT_EQ(c.texts.at("later"), "back in texts");
  EXPECT_EQ(c.skin.at("下载"), "Download");
  EXPECT_EQ(c.skin.at("[更多]"), "[More]") << "a key may start with [";
  EXPECT_EQ(c.texts.size(), 4u);
  EXPECT_EQ(c.skin.size(), 2u);
}

TEST(Catalogue, ResolvesEveryEscapeInKeysAndTexts) {
  const lang::Catalogue c = Parse(
      "[texts]\n"
      "lines = one\\ntwo\\tthree\n"
      "slash = a\\\\b\n"
      "a\\=b = x\\=y = z\n"
      "spaced = \\s kept \\s\n"
      "trailing = back\\\\\n");
  EXPECT_EQ(c.texts.at("lines"), "one\ntwo\tthree");
  EXPECT_EQ(c.texts.at("slash"), "a\\b");
  EXPECT_EQ(c.texts.at("a=b"), "x=y = z") << "the first unescaped = splits";
  EXPECT_EQ(c.texts.at("spaced"), "  kept  ");
  EXPECT_EQ(c.texts.at("trailing"), "back\\");
}

TEST(Catalogue, AcceptsAMarkAndWindowsLineEnds) {
  const lang::Catalogue c = Parse("\xEF\xBB\xBF[texts]\r\nkey = value\r\nlast = no newline");
  EXPECT_EQ(c.texts.at("key"), "value");
  EXPECT_EQ(c.texts.at("last"), "no newline");
}

TEST(Catalogue, RefusesBadLinesNamingTheFileAndLine) {
  EXPECT_EQ(Refusal("[texts]\nok = 1\njust words\n"), "t.txt:3: not a comment, a section or key = text");
  EXPECT_EQ(Refusal("[texts]\nbad = a\\qb\n"), "t.txt:2: in the text of bad, the unknown escape \\q");
  EXPECT_EQ(Refusal("[texts]\nb\\x = a\n"), "t.txt:2: in the key, the unknown escape \\x");
  EXPECT_EQ(Refusal("[texts]\n\nend = a\\\n"), "t.txt:3: in the text of end, a lone backslash at the end");
  EXPECT_EQ(Refusal("key = before\n"), "t.txt:1: a key before any [texts] or [skin] section");
  EXPECT_EQ(Refusal("[text]\n"), "t.txt:1: unknown section [text] (only [texts] and [skin])");
  EXPECT_EQ(Refusal("[texts]\n = no key\n"), "t.txt:2: an empty key");
  EXPECT_EQ(Refusal("[texts]\nonly\\= escaped\n"), "t.txt:2: not a comment, a section or key = text");
}

TEST(Catalogue, RefusesAKeyGivenTwiceInOneSectionOnly) {
  EXPECT_EQ(Refusal("[texts]\na = 1\nb = 2\n a = 3\n"), "t.txt:4: the key a is given twice");
  EXPECT_EQ(Refusal("[texts]\na = 1\n[skin]\na = 2\n"), "") << "the sections are separate maps";
  EXPECT_EQ(Refusal("[texts]\na = 1\n[skin]\nx = 2\n[texts]\na = 3\n"), "t.txt:6: the key a is given twice");
}

TEST(Catalogue, RefusesTextThatIsNotUtf8AtItsLine) {
  EXPECT_EQ(Refusal("[texts]\nok = 好\nbad = \xD6\xD0\n"), "t.txt:3: not UTF-8") << "GBK bytes are not UTF-8";
  EXPECT_EQ(Refusal("[texts]\nsurrogate = \xED\xA0\x80\n"), "t.txt:2: not UTF-8");
}

TEST(Catalogue, RefusesAFileOverTheCap) {
  std::string big = "[texts]\n# ";
  big.append(lang::kMaxCatalogueBytes, 'x');
  EXPECT_NE(Refusal(big).find("larger than"), std::string::npos);

  TempDir dir;
  WriteFileBytes(dir / "big.txt", big);
  lang::Catalogue catalogue;
  Failure failure = lang::ReadCatalogueFile(dir / "big.txt", catalogue);
  EXPECT_EQ(failure.cause, FailureCause::BadInput);
  EXPECT_NE(failure.message.find("big.txt: larger than"), std::string::npos) << failure.message;
}

TEST(Catalogue, ReadsAFileAndSaysWhyAMissingOneFails) {
  TempDir dir;
  WriteFileBytes(dir / "en.txt", "[texts]\nmeta.name = English\n");
  lang::Catalogue catalogue;
  EXPECT_FALSE(lang::ReadCatalogueFile(dir / "en.txt", catalogue));
  EXPECT_EQ(catalogue.texts.at("meta.name"), "English");

  Failure failure = lang::ReadCatalogueFile(dir / "none.txt", catalogue);
  EXPECT_EQ(failure.cause, FailureCause::Disk);
  EXPECT_NE(failure.message.find("none.txt"), std::string::npos) << failure.message;
  EXPECT_TRUE(catalogue.texts.empty());

  WriteFileBytes(dir / "broken.txt", "[texts]\nx\n");
  failure = lang::ReadCatalogueFile(dir / "broken.txt", catalogue);
  EXPECT_EQ(failure.message, (dir / "broken.txt") + ":2: not a comment, a section or key = text");
}

// What a translator's editor would write for a key or text: every escape
// the format has, \s only where a space would otherwise be trimmed.
std::string Written(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\\') out += "\\\\";
    else if (c == '\n') out += "\\n";
    else if (c == '\t') out += "\\t";
    else if (c == '=') out += "\\=";
    else if (c == ' ' && (i == 0 || i + 1 == text.size())) out += "\\s";
    else out += c;
  }
  return out;
}

TEST(Catalogue, AnythingWrittenWithTheEscapesReadsBackAsItWas) {
  const char* const pieces[] = {"a", "b.", "=", "\\", " ", "\t", "\n", "好", "#", "[", "]", "%s", "\\n"};
  std::mt19937 random(26);
  const auto randomText = [&](bool key) {
    std::string text;
    for (int n = 1 + static_cast<int>(random() % 6); n > 0; --n) text += pieces[random() % std::size(pieces)];
    // A line starting with # is a comment: such a key cannot be written.
    if (key && text.front() == '#') text.insert(0, "k");
    return text;
  };
  for (int round = 0; round < 200; ++round) {
    lang::Catalogue want;
    std::string file;
    for (lang::TextMap* section : {&want.texts, &want.skin}) {
      file += section == &want.texts ? "[texts]\n" : "\n# the layouts\n[skin]\n";
      for (int n = static_cast<int>(random() % 8); n > 0; --n) {
        const std::string key = randomText(true), text = random() % 5 ? randomText(false) : "";
        if (!section->emplace(key, text).second) continue;
        file += (random() % 2 ? "\t" : "") + Written(key) + (random() % 2 ? " = " : "=") + Written(text) + "\n";
      }
    }
    lang::Catalogue got;
    Failure failure = lang::ParseCatalogue(file, "r.txt", got);
    ASSERT_FALSE(failure) << failure.message << "\n" << file;
    EXPECT_EQ(got.texts, want.texts) << file;
    EXPECT_EQ(got.skin, want.skin) << file;
  }
}

TEST(Catalogue, DamagedCopiesOfTheDefaultAreReadOrRefusedAtARealLine) {
  std::string original;
  FeedSourceFiles("ext/lang", [&](const std::string& bytes) { original = bytes; },
                  [](const std::string& name) { return name == "zh_CN.txt"; });
  ASSERT_FALSE(original.empty());
  const std::size_t lines = static_cast<std::size_t>(std::count(original.begin(), original.end(), '\n')) + 1;
  const std::regex refusal(R"(m\.txt:(\d+): .+)");
  std::mt19937 random(9);
  const char noise[] = "=\\[]#\n \xE5\xBD\x80";
  for (int round = 0; round < 300; ++round) {
    std::string text = original;
    for (int edits = 1 + static_cast<int>(random() % 4); edits > 0 && !text.empty(); --edits) {
      const std::size_t at = random() % text.size();
      if (random() % 2)
        text.erase(at, 1 + random() % 4);
      else
        text.insert(at, 1, noise[random() % (sizeof noise - 1)]);
    }
    lang::Catalogue catalogue;
    Failure failure = lang::ParseCatalogue(text, "m.txt", catalogue);
    if (!failure) continue;
    std::smatch match;
    ASSERT_TRUE(std::regex_match(failure.message, match, refusal)) << failure.message;
    EXPECT_LE(std::stoul(match[1]), lines + 4) << failure.message;
  }
}

}  // namespace
