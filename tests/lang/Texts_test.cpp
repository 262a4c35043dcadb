// The active language: chosen catalogue over the default file over the
// built-in default, key by key, and switching while others read.
#include "lang/Texts.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "base/ReportError.h"
#include "lang/EmbeddedCatalogue.h"
#include "platform/Path.h"
#include "tests/lang/LangTestSupport.h"

namespace {

class TextsTest : public LangFolderTest {
 protected:
  TextsTest() {
    SetDiagnosticSink([this](const std::string& report) { reports_.push_back(report); });
  }
  ~TextsTest() override { SetDiagnosticSink({}); }

  std::vector<std::string> reports_;
};

TEST_F(TextsTest, WithoutAnyFileTheBuiltInDefaultAnswers) {
  ASSERT_NE(lang::EmbeddedDefaultCatalogue().find("host.loadFailed"), std::string_view::npos);
  lang::ActivateLanguage(dir_ / "no-such-folder", "zh_CN");
  EXPECT_EQ(lang::Text("host.loadFailed"), "加载信息失败.");
  EXPECT_EQ(lang::Text16("host.warningTitle"), u"警告");
  EXPECT_EQ(lang::CurrentLanguage()->code, "zh_CN");
  EXPECT_TRUE(reports_.empty()) << "a missing folder is no fault: " << reports_.front();
}

TEST_F(TextsTest, EachKeyComesFromTheHighestLayerThatHasIt) {
  WriteCatalogue("zh_CN", "[texts]\nmeta.name = 默认\nonly.default = 默认的\nhost.errorTitle = 文件的错误\n");
  WriteCatalogue("en", "[texts]\nmeta.name = English\n");
  lang::ActivateLanguage(folder(), "en");
  EXPECT_EQ(lang::Text("meta.name"), "English") << "the chosen catalogue";
  EXPECT_EQ(lang::Text("only.default"), "默认的") << "the default file";
  EXPECT_EQ(lang::Text("host.errorTitle"), "文件的错误") << "the default file over the built-in one";
  EXPECT_EQ(lang::Text("host.previewTitle"), "预览") << "the built-in default";
  EXPECT_EQ(lang::Text("no.such.key"), "no.such.key") << "a missing text shows its key";
  EXPECT_EQ(lang::CurrentLanguage()->folder, folder());
}

TEST_F(TextsTest, ASingularFormIsTakenForOneThingOnlyAndOnlyWhereTheLanguageHasOne) {
  WriteCatalogue("zh_CN", "[texts]\nmeta.name = 默认\nadded = 已添加 %d 个任务\n");
  WriteCatalogue("en", "[texts]\nmeta.name = English\nadded = Added %d tasks\nadded:one = Added %d task\n");
  lang::ActivateLanguage(folder(), "en");
  EXPECT_EQ(lang::TextForCount("added", 1), "Added %d task");
  EXPECT_EQ(lang::TextForCount("added", 0), "Added %d tasks");
  EXPECT_EQ(lang::Text16ForCount("added", 2), u"Added %d tasks");
  lang::ActivateLanguage(folder(), "zh_CN");
  EXPECT_EQ(lang::TextForCount("added", 1), "已添加 %d 个任务");
}

TEST_F(TextsTest, ATranslationThatTakesOtherValuesIsSkippedAndReportedKeyByKey) {
  WriteCatalogue("zh_CN", "[texts]\nmeta.name = 默认\nadded = 已添加 %d 个任务\nresumeFailed = 无法继续 %s：%s\n");
  WriteCatalogue("en", "[texts]\nmeta.name = English\nadded = Added %s tasks\nadded:one = Added one task\n"
                       "resumeFailed = Could not resume %s: %s\n");
  lang::ActivateLanguage(folder(), "en");
  EXPECT_EQ(lang::Text("added"), "已添加 %d 个任务") << "a %s where callers give a number";
  EXPECT_EQ(lang::TextForCount("added", 1), "已添加 %d 个任务") << "a singular form answers to its key's values";
  EXPECT_EQ(lang::Text("resumeFailed"), "Could not resume %s: %s") << "the good ones stay";
  ASSERT_EQ(reports_.size(), 2u);
  EXPECT_NE(reports_[0].find("en.txt: added skipped"), std::string::npos) << reports_[0];
}

TEST_F(TextsTest, ACodeThatIsNoCodeNeverNamesAFile) {
  WriteFileBytes(dir_ / "outside.txt", "[texts]\nhost.errorTitle = read from outside\n");
  EXPECT_EQ(lang::ActivateLanguage(folder(), "../outside")->code, "zh_CN");
  EXPECT_EQ(lang::Text("host.errorTitle"), "错误");
}

TEST_F(TextsTest, SkinTextsAreReplacedOnlyWhereTheCatalogueSaysSo) {
  WriteCatalogue("en", "[skin]\n新建任务 = New task\n\\s空格 = Space\n");
  lang::ActivateLanguage(folder(), "en");
  EXPECT_EQ(lang::SkinText(u"新建任务"), u"New task");
  EXPECT_EQ(lang::SkinText(u" 空格"), u"Space");
  EXPECT_EQ(lang::SkinText(u"删除"), u"删除") << "a skin text without an entry stays as the layout has it";
  lang::ActivateLanguage(folder(), "zh_CN");
  EXPECT_EQ(lang::SkinText(u"新建任务"), u"新建任务");
}

TEST_F(TextsTest, ABrokenCatalogueIsReportedAndTheDefaultStands) {
  WriteCatalogue("en", "[texts]\nmeta.name = English\nhost.errorTitle = Error\\x\n");
  lang::ActivateLanguage(folder(), "en");
  EXPECT_EQ(lang::Text("meta.name"), "简体中文") << "nothing of a broken file is used";
  ASSERT_EQ(reports_.size(), 1u);
  EXPECT_NE(reports_[0].find("en.txt:3: in the text of host.errorTitle"), std::string::npos) << reports_[0];
}

TEST_F(TextsTest, TheFirstLookupChoosesFromTheFolderBesideTheProgram) {
  platform::OverrideModuleFileNameForTesting(platform::WidePathFromNative(dir_ / "velmora"));
  platform::MakeDirectories(dir_ / "ext/lang");
  WriteFileBytes(dir_ / "ext/lang/en.txt", "[texts]\nhost.errorTitle = Error\n");
  ScopedEnv env("VELMORA_LANG", "en");
  EXPECT_EQ(lang::InstalledCatalogueFolder(), dir_ / "ext/lang");
  EXPECT_EQ(lang::Text("host.errorTitle"), "Error");
  EXPECT_EQ(lang::CurrentLanguage()->code, "en");
  platform::OverrideModuleFileNameForTesting({});
}

TEST_F(TextsTest, ReadersSeeOneWholeLanguageWhileItIsSwitched) {
  WriteCatalogue("en", "[texts]\nhost.errorTitle = Error\nhost.warningTitle = Warning\n");
  lang::ActivateLanguage(folder(), "zh_CN");
  std::atomic<bool> stop{false};
  std::atomic<int> mixed{0}, reads{0};
  std::vector<std::thread> readers;
  for (int i = 0; i < 2; ++i)
    readers.emplace_back([&] {
      while (!stop) {
        const auto active = lang::CurrentLanguage();
        const bool english = active->texts.at("host.errorTitle") == "Error";
        if (english != (active->texts.at("host.warningTitle") == "Warning")) ++mixed;
        ++reads;
      }
    });
  for (int n = 0; n < 200; ++n) lang::ActivateLanguage(folder(), n % 2 ? "zh_CN" : "en");
  // Let the readers run at least a little after the last switch.
  const int seen = reads;
  while (reads < seen + 10) std::this_thread::yield();
  stop = true;
  for (auto& reader : readers) reader.join();
  EXPECT_EQ(mixed, 0);
  EXPECT_EQ(lang::Text("host.errorTitle"), "错误") << "the last switch holds";
}

}  // namespace
