// Which language is chosen: the environment over the stored choice over
// the default, and only codes that have a catalogue.
#include "lang/LanguageChoice.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "tests/lang/LangTestSupport.h"

namespace {

class LanguageChoiceTest : public LangFolderTest {};

TEST_F(LanguageChoiceTest, EnvironmentWinsOverTheStoredChoiceWhichWinsOverTheDefault) {
  WriteCatalogue("en", "[texts]\n");
  WriteCatalogue("fr", "[texts]\n");
  EXPECT_EQ(lang::ChooseLanguage(folder()), "zh_CN");

  ASSERT_FALSE(lang::StoreLanguage("fr"));
  EXPECT_EQ(ReadFileBytes(config() + "/velmora/language"), "fr\n");
  EXPECT_EQ(lang::StoredLanguage(), "fr");
  EXPECT_EQ(lang::ChooseLanguage(folder()), "fr");

  ScopedEnv env("VELMORA_LANG", "en");
  EXPECT_EQ(lang::ChooseLanguage(folder()), "en");
}

TEST_F(LanguageChoiceTest, AnUnknownOrMalformedCodeFallsBackToTheDefault) {
  WriteCatalogue("en", "[texts]\n");
  WriteFileBytes(dir_ / "secret.txt", "[texts]\n");
  for (const char* code : {"de", "../secret", "en/../en", "", " en"}) {
    ScopedEnv env("VELMORA_LANG", std::string(code));
    EXPECT_EQ(lang::ChooseLanguage(folder()), "zh_CN") << code;
  }
  // A stored choice whose file went away is forgotten the same way.
  platform::MakeDirectories(config() + "/velmora");
  WriteFileBytes(config() + "/velmora/language", "  de \n");
  EXPECT_EQ(lang::StoredLanguage(), "de");
  EXPECT_EQ(lang::ChooseLanguage(folder()), "zh_CN");
}

TEST_F(LanguageChoiceTest, StoringRefusesNonCodesAndReportsAnUnwritableFolder) {
  Failure failure = lang::StoreLanguage("../x");
  EXPECT_EQ(failure.cause, FailureCause::BadInput);
  EXPECT_FALSE(platform::PathExists(config() + "/velmora/language"));

  // A file where the configuration folder should be: nothing can be stored.
  WriteFileBytes(config(), "in the way");
  failure = lang::StoreLanguage("en");
  EXPECT_EQ(failure.cause, FailureCause::Disk);
  EXPECT_NE(failure.message.find(config()), std::string::npos) << failure.message;
}

TEST_F(LanguageChoiceTest, AvailableLanguagesAreTheCatalogueFilesSortedWithTheDefault) {
  WriteCatalogue("fr", "[texts]\n");
  WriteCatalogue("en", "[texts]\n");
  WriteFileBytes(folder() + "/notes.md", "not a catalogue");
  WriteFileBytes(folder() + "/bad name.txt", "[texts]\n");
  platform::MakeDirectories(folder() + "/de.txt");  // a folder, not a file
  EXPECT_EQ(lang::AvailableLanguages(folder()), (std::vector<std::string>{"en", "fr", "zh_CN"}));
  EXPECT_EQ(lang::AvailableLanguages(dir_ / "missing"), (std::vector<std::string>{"zh_CN"}))
      << "the default is built in";
}

}  // namespace
