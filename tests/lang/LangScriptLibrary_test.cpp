// The lang_* functions as the scripts meet them in the real script host.
#include "lang/LangScriptLibrary.h"

#include <gtest/gtest.h>

#include "lang/LanguageChoice.h"
#include "lang/Texts.h"
#include "tests/lang/LangTestSupport.h"
#include "tests/support/LuaTestHarness.h"

namespace {

class LangScriptLibraryTest : public LangFolderTest {
 protected:
  LangScriptLibraryTest() {
    WriteCatalogue("en", "[texts]\nmeta.name = English\nhost.errorTitle = Error\n");
    lang::ActivateLanguage(folder(), "zh_CN");
  }
};

TEST_F(LangScriptLibraryTest, ListsCataloguesAndHandsTextsInTheAnsiCodePage) {
  LuaRunResult run = RunLuaTestChunk(R"(
    assert(lang_current() == "zh_CN" and lang_default() == "zh_CN")
    local list = lang_list()
    assert(#list == 2, #list)
    assert(list[1].code == "en" and list[1].name == "English")
    -- the default's own name, from the built-in catalogue, in GBK
    assert(list[2].code == "zh_CN" and list[2].name == "\188\242\204\229\214\208\206\196", list[2].name)
    local texts = lang_texts()
    assert(texts["host.loadFailed"] == "\188\211\212\216\208\197\207\162\202\167\176\220.")
    assert(texts["details.file"] ~= nil, "the scripts' nested keys are flat")
  )");
  EXPECT_TRUE(run.ok) << run.error;
}

TEST_F(LangScriptLibraryTest, SetStoresTheChoiceAndSwitchesTheWholeProcess) {
  LuaRunResult run = RunLuaTestChunk(R"(
    assert(lang_set("en") == true)
    assert(lang_current() == "en")
    local texts = lang_texts()
    assert(texts["host.errorTitle"] == "Error")
    assert(texts["host.loadFailed"] == "\188\211\212\216\208\197\207\162\202\167\176\220.", "missing keys fall back")
  )");
  ASSERT_TRUE(run.ok) << run.error;
  EXPECT_EQ(ReadFileBytes(config() + "/velmora/language"), "en\n");
  EXPECT_EQ(lang::Text("host.errorTitle"), "Error") << "the host's own texts switch too";
  EXPECT_EQ(lang::ChooseLanguage(folder()), "en") << "and the next start keeps it";
}

TEST_F(LangScriptLibraryTest, SetRefusesUnknownCodesBrokenCataloguesAndWhatItCannotStore) {
  WriteFileBytes(config(), "a file where the configuration folder goes");
  WriteCatalogue("fr", "[texts]\nmeta.name = Fran\\cais\n");
  LuaRunResult run = RunLuaTestChunk(R"(
    for _, code in ipairs({"de", "../en", "", "en\0"}) do
      local ok, message, cause = lang_set(code)
      assert(ok == nil and cause == "bad-input" and type(message) == "string", code)
    end
    local ok, message, cause = lang_set("fr")
    assert(ok == nil and cause == "bad-input" and message:find("fr.txt:2: ", 1, true), tostring(message))
    ok, message, cause = lang_set("en")
    assert(ok == nil and cause == "disk", tostring(message))
    assert(lang_current() == "zh_CN", "nothing switched that was not stored")
  )");
  EXPECT_TRUE(run.ok) << run.error;
}

TEST_F(LangScriptLibraryTest, AWrongArgumentIsReportedAndRefusedNotRaised) {
  LuaRunResult run = RunLuaTestChunk(R"(
    for _, bad in ipairs({{}, true, 5}) do
      local ok, message, cause = lang_set(bad)
      assert(ok == nil and cause == "bad-input" and message:find("lang_set"), tostring(message))
    end
    local ok, message, cause = lang_set()
    assert(ok == nil and cause == "bad-input", tostring(message))
    assert(#test_reports() == 4)
    assert(lang_current() == "zh_CN")
  )");
  EXPECT_TRUE(run.ok) << run.error;
}

}  // namespace
