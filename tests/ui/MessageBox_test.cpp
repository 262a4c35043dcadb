// Message boxes answered from tests, and the record of what was asked.
#include <gtest/gtest.h>

#include "tests/ui/UiTestSupport.h"
#include "ui/window/Automation.h"
#include "ui/window/WindowApi.h"

using namespace ui::automation;

namespace {

class MessageBoxTest : public ::testing::Test {
 protected:
  void TearDown() override { Reset(); }
};

TEST_F(MessageBoxTest, QueuedAnswersComeFirstThenTheHandler) {
  QueueMessageBoxAnswer(IDCANCEL);
  SetMessageBoxHandler([](const MessageBoxRecord& box) -> std::optional<int> {
    return box.caption == u"错误" ? std::optional<int>(IDOK) : std::nullopt;
  });
  EXPECT_EQ(MessageBox(nullptr, u"first", u"any", MB_OKCANCEL), IDCANCEL);
  EXPECT_EQ(MessageBoxW(nullptr, u"请输入搜索内容.", u"错误", MB_ICONERROR), IDOK);
  const auto log = TakeMessageBoxLog();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[1].text, u"请输入搜索内容.");
  EXPECT_EQ(log[1].type, MB_ICONERROR);
  EXPECT_EQ(log[1].answer, IDOK);
  EXPECT_TRUE(TakeMessageBoxLog().empty());
}

TEST_F(MessageBoxTest, WithoutADisplayTheFirstButtonAnswers) {
  EXPECT_EQ(MessageBox(nullptr, u"加载信息失败.", u"警告", MB_OK), IDOK);
  EXPECT_EQ(MessageBox(nullptr, u"?", u"?", MB_YESNO | MB_ICONQUESTION), IDYES);
  EXPECT_EQ(MessageBox(nullptr, u"?", u"?", MB_RETRYCANCEL), IDRETRY);
}

}  // namespace
