// Layouts build the right tree, apply the window values, ask the callback
// first, and survive their own errors.
#include <gtest/gtest.h>

#include <iterator>
#include <random>
#include <string>
#include <vector>

#include <QString>

#include "base/ReportError.h"
#include "lang/Texts.h"
#include "platform/Files.h"
#include "tests/ui/LayoutTestWindow.h"
#include "ui/controls/CContainerUI.h"
#include "ui/controls/CEditUI.h"
#include "ui/controls/CListHeaderUI.h"
#include "ui/controls/CListUI.h"
#include "ui/controls/CTabLayoutUI.h"
#include "ui/controls/CTreeViewUI.h"
#include "ui/window/Automation.h"
#include "tests/support/TempDir.h"

namespace {

class ReportCapture {
 public:
  ReportCapture() : previous_(SetDiagnosticSink([this](const std::string& r) { reports.push_back(r); })) {}
  ~ReportCapture() { SetDiagnosticSink(std::move(previous_)); }
  bool Any(const std::string& part) const {
    for (const auto& r : reports)
      if (r.find(part) != std::string::npos) return true;
    return false;
  }
  std::vector<std::string> reports;

 private:
  DiagnosticSink previous_;
};

class SelectListFactory : public IDialogBuilderCallback {
 public:
  CControlUI* CreateControl(std::u16string_view className) override {
    asked.emplace_back(className);
    return className == u"SelectList" ? new CTreeViewUI() : nullptr;
  }
  std::vector<std::u16string> asked;
};

std::u16string ClassOf(CPaintManagerUI& pm, std::u16string_view name) {
  CControlUI* c = pm.FindControl(name);
  return c ? c->GetClass() : u"(none)";
}

}  // namespace

TEST(DialogBuilder, MainLayoutBuildsNamedControlsAndWindowValues) {
  ASSERT_TRUE(UseEmbeddedSkin());
  SelectListFactory factory;
  LayoutTestWindow window(u"default.xml", &factory);
  ASSERT_NE(window.Open(), nullptr);
  CPaintManagerUI& pm = window.Manager();

  for (const char16_t* name : {u"closebtn", u"maxbtn", u"restorebtn", u"minbtn", u"menubtn", u"B_delete"})
    EXPECT_EQ(ClassOf(pm, name), u"ButtonUI") << std::string(name, name + std::char_traits<char16_t>::length(name));
  EXPECT_EQ(ClassOf(pm, u"sellist"), u"TreeViewUI");
  EXPECT_EQ(ClassOf(pm, u"downloadlist"), u"ListUI");
  EXPECT_EQ(ClassOf(pm, u"downloadedlist"), u"ListUI");
  EXPECT_EQ(ClassOf(pm, u"maintab"), u"TabLayoutUI");
  EXPECT_EQ(ClassOf(pm, u"tab_downloading"), u"OptionUI");
  EXPECT_EQ(ClassOf(pm, u"title"), u"LabelUI");
  EXPECT_EQ(ClassOf(pm, u"titlebar"), u"HorizontalLayoutUI");
  EXPECT_EQ(ClassOf(pm, u"root"), u"VerticalLayoutUI");
  EXPECT_FALSE(pm.FindControl(u"restorebtn")->IsVisible());

  // The callback is asked for every element, SelectList included, once each.
  EXPECT_NE(std::find(factory.asked.begin(), factory.asked.end(), u"SelectList"), factory.asked.end());
  EXPECT_NE(std::find(factory.asked.begin(), factory.asked.end(), u"ListHeaderItem"), factory.asked.end());
  EXPECT_EQ(std::count(factory.asked.begin(), factory.asked.end(), u"SelectList"), 1);

  EXPECT_EQ(pm.GetRoundCorner().cx, 5);
  EXPECT_EQ(pm.GetRoundCorner().cy, 5);
  EXPECT_EQ(pm.GetSizeBox().left, 4);
  EXPECT_EQ(pm.GetSizeBox().bottom, 6);
  EXPECT_EQ(pm.GetCaptionRect().bottom, 24);
  EXPECT_EQ(pm.GetMinInfo().cx, 1024);
  EXPECT_EQ(pm.GetInitSize().cy, 600);

  auto* list = window.Find<CListUI>(u"downloadlist");
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->GetColumnCount(), 6);  // name, size, progress, speed, time left, state
  ASSERT_NE(list->GetHeader(), nullptr);
  auto* progress = dynamic_cast<CListHeaderItemUI*>(list->GetHeader()->GetItemAt(2));
  ASSERT_NE(progress, nullptr);
  EXPECT_EQ(progress->GetCellType(), CListHeaderItemUI::CellType::Progress);

  // Laid out inside the window, pages other than the selected one hidden.
  const RECT close = pm.FindControl(u"closebtn")->GetPos();
  EXPECT_GT(close.left, 900);
  EXPECT_LT(close.bottom, 48);
  EXPECT_TRUE(pm.FindControl(u"downloadlist")->IsShown());
  EXPECT_FALSE(pm.FindControl(u"downloadedlist")->IsShown());
  // Default attributes per class reached the options.
  EXPECT_EQ(pm.FindControl(u"tab_settings")->GetPos().bottom - pm.FindControl(u"tab_settings")->GetPos().top, 38);
}

TEST(DialogBuilder, AttributesAndLayoutGeometry) {
  ui::automation::ProcessEvents();
  LayoutTestWindow window(
      u"<Window size=\"300,200\"><VerticalLayout name=\"v\" inset=\"10,10,10,10\" childpadding=\"5\">"
      u"<Button name=\"a\" height=\"30\" text=\"A &amp; B\" tooltip=\"tip\" />"
      u"<HorizontalLayout name=\"h\"><Label name=\"l1\" width=\"50\" /><Label name=\"l2\" />"
      u"<Label name=\"l3\" width=\"40\" padding=\"5,0,0,0\" /></HorizontalLayout>"
      u"<Control name=\"f\" float=\"true\" pos=\"20,30,60,50\" />"
      u"<Edit name=\"e\" height=\"24\" maxchar=\"4\" text=\"abcdefgh\" visible=\"false\" />"
      u"</VerticalLayout></Window>");
  ASSERT_NE(window.Open(), nullptr);
  CPaintManagerUI& pm = window.Manager();
  const RECT a = pm.FindControl(u"a")->GetPos();
  EXPECT_EQ(a.left, 10);
  EXPECT_EQ(a.top, 10);
  EXPECT_EQ(a.right, 290);
  EXPECT_EQ(a.bottom, 40);
  EXPECT_EQ(pm.FindControl(u"a")->GetText(), u"A & B");
  EXPECT_EQ(pm.FindControl(u"a")->GetToolTip(), u"tip");
  // The horizontal layout takes the rest of the height (the hidden edit none).
  const RECT h = pm.FindControl(u"h")->GetPos();
  EXPECT_EQ(h.top, 45);
  EXPECT_EQ(h.bottom, 190);
  EXPECT_EQ(pm.FindControl(u"l1")->GetPos().right - pm.FindControl(u"l1")->GetPos().left, 50);
  EXPECT_EQ(pm.FindControl(u"l2")->GetPos().left, 60);
  EXPECT_EQ(pm.FindControl(u"l2")->GetPos().right, 245);
  EXPECT_EQ(pm.FindControl(u"l3")->GetPos().left, 250);
  EXPECT_EQ(pm.FindControl(u"f")->GetPos().left, 20);
  EXPECT_EQ(pm.FindControl(u"f")->GetPos().bottom, 50);
  EXPECT_EQ(pm.FindControl(u"e")->GetText(), u"abcd");
  EXPECT_EQ(pm.FindControl(POINT{100, 20}), pm.FindControl(u"a"));
}

TEST(DialogBuilder, BrokenLayoutsGiveWhatCouldBeBuiltAndReports) {
  ReportCapture capture;
  CDialogBuilder builder;
  std::unique_ptr<CControlUI> root(builder.CreateFromText(
      u"<Window><VerticalLayout name=\"v\"><Button name=\"ok\"/><Gizmo name=\"g\"><Button name=\"lost\"/></Gizmo>"
      u"<Label name=\"l\"><Button name=\"inner\"/></Label><Button name=\"after\"/></VerticalLayout>"
      u"<Label name=\"second\"/></Window>"));
  ASSERT_NE(root, nullptr);
  EXPECT_NE(root->FindControlByName(u"ok"), nullptr);
  EXPECT_NE(root->FindControlByName(u"after"), nullptr);
  EXPECT_NE(root->FindControlByName(u"l"), nullptr);
  EXPECT_EQ(root->FindControlByName(u"g"), nullptr);
  EXPECT_EQ(root->FindControlByName(u"lost"), nullptr);
  EXPECT_EQ(root->FindControlByName(u"inner"), nullptr);
  EXPECT_NE(root->FindControlByName(u"second"), nullptr);
  EXPECT_TRUE(capture.Any("unknown control class <Gizmo>"));
  EXPECT_TRUE(capture.Any("cannot hold"));
  EXPECT_TRUE(capture.Any("outside the root control"));

  capture.reports.clear();
  root.reset(builder.CreateFromText(u"<VerticalLayout name=\"v\"><Button name=\"b\"/><Button name=\"c\"/>"));
  ASSERT_NE(root, nullptr) << "an unfinished document still gives its elements";
  EXPECT_NE(root->FindControlByName(u"b"), nullptr);
  EXPECT_NE(root->FindControlByName(u"c"), nullptr);
  EXPECT_TRUE(capture.Any("not well formed"));

  capture.reports.clear();
  EXPECT_EQ(builder.Create(u"no-such-layout.xml"), nullptr);
  EXPECT_TRUE(capture.Any("not in the skin"));
  EXPECT_EQ(builder.CreateFromText(u"<Window size=\"1,1\"></Window>"), nullptr);
  EXPECT_EQ(builder.CreateFromText(u""), nullptr);
}

TEST(DialogBuilder, ShownTextsComeThroughTheActiveLanguagesSkinMap) {
  TempDir dir;
  WriteFileBytes(dir / "en.txt",
                 "[skin]\n新建 = New\n提示 = A hint\n输入链接 = Enter links\n未译 = ignored in other attributes\n");
  lang::ActivateLanguage(dir.path(), "en");
  CDialogBuilder builder;
  std::unique_ptr<CControlUI> root(builder.CreateFromText(
      u"<VerticalLayout><Button name=\"b\" text=\"新建\" tooltip=\"提示\"/>"
      u"<Edit name=\"e\" prompttext=\"输入链接\" text=\"未变\"/><Label name=\"未译\" text=\"未译\"/></VerticalLayout>"));
  lang::ResetLanguageForTesting();
  ASSERT_NE(root, nullptr);
  CControlUI* button = root->FindControlByName(u"b");
  ASSERT_NE(button, nullptr);
  EXPECT_EQ(button->GetText(), u"New");
  EXPECT_EQ(button->GetToolTip(), u"A hint");
  auto* edit = dynamic_cast<CEditUI*>(root->FindControlByName(u"e"));
  ASSERT_NE(edit, nullptr);
  EXPECT_EQ(edit->GetPromptText(), u"Enter links");
  EXPECT_EQ(edit->GetText(), u"未变") << "a text without an entry stays as the layout has it";
  CControlUI* label = root->FindControlByName(u"未译");
  ASSERT_NE(label, nullptr) << "a name is not a shown text";
  EXPECT_EQ(label->GetText(), u"ignored in other attributes");
}

TEST(DialogBuilder, DeepNestingIsCutOffNotFollowed) {
  ReportCapture capture;
  std::u16string xml;
  for (int i = 0; i < 5000; ++i) xml += u"<Container>";
  for (int i = 0; i < 5000; ++i) xml += u"</Container>";
  CDialogBuilder builder;
  std::unique_ptr<CControlUI> root(builder.CreateFromText(xml));
  ASSERT_NE(root, nullptr);
  EXPECT_TRUE(capture.Any("nests deeper"));
}

TEST(DialogBuilder, DamagedCopiesOfTheMainLayoutNeverCrash) {
  ASSERT_TRUE(UseEmbeddedSkin());
  auto bytes = CPaintManagerUI::LoadResourceFile(u"default.xml");
  ASSERT_TRUE(bytes);
  const std::u16string original = QString::fromUtf8(bytes->data(), static_cast<qsizetype>(bytes->size())).toStdU16String();
  ReportCapture quiet;
  std::mt19937 random(9);
  const char16_t noise[] = u"<>\"'/=&; x";
  CDialogBuilder builder;
  for (int round = 0; round < 300; ++round) {
    std::u16string text = original;
    const int edits = 1 + static_cast<int>(random() % 6);
    for (int e = 0; e < edits && !text.empty(); ++e) {
      const size_t at = random() % text.size();
      switch (random() % 3) {
        case 0: text.erase(at, 1 + random() % 8); break;
        case 1: text.insert(at, 1, noise[random() % (std::size(noise) - 1)]); break;
        default: text.resize(at); break;
      }
    }
    std::unique_ptr<CControlUI> root(builder.CreateFromText(text));
    if (root) root->SetPos(RECT{0, 0, 1024, 600});
  }
}

TEST(DialogBuilder, MainWindowCaptionStripHoldsOnlyDraggableOrButtonControls) {
  ASSERT_TRUE(UseEmbeddedSkin());
  LayoutTestWindow window(u"default.xml");
  ASSERT_NE(window.Open(), nullptr);
  ui::automation::ProcessEvents();
  // The frame drags on anything in the top 24 pixels that is not a button,
  // an option or a text; an edit or a list there could not be used.
  for (int y = 0; y < 24; y += 2) {
    for (int x = 0; x < 1024; x += 4) {
      CControlUI* c = window.Manager().FindControl(POINT{x, y});
      ASSERT_NE(c, nullptr);
      const std::u16string cls = c->GetClass();
      EXPECT_TRUE(cls == u"ButtonUI" || cls == u"LabelUI" || cls == u"ControlUI" || cls == u"HorizontalLayoutUI" ||
                  cls == u"VerticalLayoutUI")
          << x << "," << y << " " << QString::fromStdU16String(cls).toStdString();
    }
  }
}
