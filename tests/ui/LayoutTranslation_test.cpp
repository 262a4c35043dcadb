// A built window taking another language: the layout's untouched texts,
// tooltips and prompt texts follow; texts set since stay.
#include "ui/controls/LayoutTranslation.h"

#include <gtest/gtest.h>

#include <memory>

#include "lang/Texts.h"
#include "platform/Files.h"
#include "tests/support/TempDir.h"
#include "tests/ui/LayoutTestWindow.h"
#include "ui/controls/CEditUI.h"
#include "ui/window/Automation.h"

using namespace ui::automation;

namespace {

const char16_t* const kLayout =
    u"<Window size=\"400,200\"><VerticalLayout>"
    u"<HorizontalLayout height=\"30\">"
    u"<Button name=\"b\" text=\"甲按钮\" tooltip=\"甲提示\" width=\"80\"/>"
    u"<Label name=\"own\" text=\"甲标签\" autocalcwidth=\"true\"/>"
    u"<Label name=\"script\" text=\"甲标签\" width=\"80\"/>"
    u"<Label name=\"plain\" text=\"乙无译\" width=\"80\"/></HorizontalLayout>"
    u"<Edit name=\"e\" prompttext=\"甲输入\" height=\"24\"/>"
    u"<Edit name=\"typed\" text=\"甲标签\" height=\"24\"/>"
    u"</VerticalLayout></Window>";

class LayoutTranslationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(UseEmbeddedSkin());
    WriteFileBytes(catalogues / "en.txt",
                   "[skin]\n甲按钮 = Start all\n甲提示 = Starts every task\n甲标签 = A much longer label\n"
                   "甲输入 = Paste links here\n");
    Speak("en");
  }
  void TearDown() override { lang::ResetLanguageForTesting(); }

  void Speak(const char* code) { lang::ActivateLanguage(catalogues.path(), code); }
  std::u16string Text(std::u16string_view name) { return window.Manager().FindControl(name)->GetText(); }
  int Apply() { return ui::ApplyLanguage(window.Manager().GetRoot()); }

  TempDir catalogues;
  LayoutTestWindow window{kLayout};
};

}  // namespace

TEST_F(LayoutTranslationTest, UntouchedTextsFollowEachSwitchAndTextsSetSinceStay) {
  ASSERT_NE(window.Open(), nullptr);
  ProcessEvents();
  auto* edit = window.Find<CEditUI>(u"e");
  ASSERT_NE(edit, nullptr);
  EXPECT_EQ(Text(u"b"), u"Start all");
  window.Manager().FindControl(u"script")->SetText(u"3 tasks running");
  // What the user typed over a layout text is the user's.
  window.Manager().FindControl(u"typed")->SetText(u"http://example.invalid/a");

  Speak("zh_CN");
  EXPECT_EQ(Apply(), 4) << "button text and tooltip, the label, the prompt";
  EXPECT_EQ(Text(u"b"), u"甲按钮");
  EXPECT_EQ(window.Manager().FindControl(u"b")->GetToolTip(), u"甲提示");
  EXPECT_EQ(Text(u"own"), u"甲标签");
  EXPECT_EQ(edit->GetPromptText(), u"甲输入");
  ASSERT_NE(edit->LineEdit(), nullptr);
  EXPECT_EQ(edit->LineEdit()->placeholderText(), QString::fromUtf16(u"甲输入")) << "the live editor shows it too";
  EXPECT_EQ(Text(u"script"), u"3 tasks running");
  EXPECT_EQ(Text(u"typed"), u"http://example.invalid/a");
  EXPECT_EQ(Text(u"plain"), u"乙无译");

  Speak("en");
  EXPECT_EQ(Apply(), 4);
  EXPECT_EQ(Text(u"b"), u"Start all");
  EXPECT_EQ(window.Manager().FindControl(u"b")->GetToolTip(), u"Starts every task");
  EXPECT_EQ(Text(u"own"), u"A much longer label");
  EXPECT_EQ(edit->GetPromptText(), u"Paste links here");
  EXPECT_EQ(Text(u"script"), u"3 tasks running");
  EXPECT_EQ(Apply(), 0) << "the same language again changes nothing";
  EXPECT_EQ(ui::ApplyLanguage(nullptr), 0);
}

TEST_F(LayoutTranslationTest, ATextSetByCodeStaysEvenAfterTheLayoutTextComesBackIntoItsLanguage) {
  // The script's text is compared with what was given, not with the source:
  // a later switch must not mistake it for the layout's.
  ASSERT_NE(window.Open(), nullptr);
  CControlUI* own = window.Manager().FindControl(u"own");
  own->SetText(u"甲标签");  // the layout's own words, but set by code in English
  Speak("zh_CN");
  Apply();
  Speak("en");
  Apply();
  EXPECT_EQ(own->GetText(), u"甲标签");
}

TEST_F(LayoutTranslationTest, ALabelSizedByItsTextIsLaidOutAgain) {
  ASSERT_NE(window.Open(), nullptr);
  ProcessEvents();
  CControlUI* own = window.Manager().FindControl(u"own");
  const LONG english = own->GetPos().right - own->GetPos().left;
  Speak("zh_CN");
  ASSERT_EQ(Apply(), 6) << "nothing set by code here";
  ASSERT_TRUE(RunUntil([&] { return own->GetPos().right - own->GetPos().left < english; }, 2000))
      << "still " << english << " wide";
}
