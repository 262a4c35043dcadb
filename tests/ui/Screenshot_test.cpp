// Renders the skin's windows to PNG and checks that they show something:
// many colours, the accent colour of the primary buttons, and text-dark
// pixels. Set VELMORA_SCREENSHOT_DIR to keep the pictures.
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>

#include <QImage>

#include "tests/support/TempDir.h"
#include "tests/ui/LayoutTestWindow.h"
#include "ui/controls/CListUI.h"
#include "ui/controls/CMessageBox.h"
#include "ui/controls/CProgressUI.h"
#include "ui/controls/CTabLayoutUI.h"
#include "ui/controls/CTreeViewUI.h"
#include "ui/controls/ControlAutomation.h"
#include "ui/window/Automation.h"
#include "ui/window/WindowApi.h"

using namespace ui::automation;

namespace {

std::string OutputDir(TempDir& temp) {
  const char* dir = std::getenv("VELMORA_SCREENSHOT_DIR");
  return dir && *dir ? std::string(dir) : temp.path();
}

struct PictureFacts {
  size_t colours = 0;
  bool hasAccent = false;
  bool hasDarkText = false;
};

PictureFacts Inspect(const std::string& png) {
  QImage image(QString::fromStdString(png));
  PictureFacts facts;
  std::set<QRgb> colours;
  for (int y = 0; y < image.height(); y += 2) {
    for (int x = 0; x < image.width(); x += 2) {
      QColor c = image.pixelColor(x, y);
      colours.insert(c.rgba());
      if (c.blue() > 200 && c.red() < 80 && c.green() > 90 && c.green() < 140) facts.hasAccent = true;
      if (c.red() < 90 && c.green() < 90 && c.blue() < 100 && c.alpha() == 255) facts.hasDarkText = true;
    }
  }
  facts.colours = colours.size();
  return facts;
}

void FillSampleRows(LayoutTestWindow& window) {
  auto* list = window.Find<CListUI>(u"downloadlist");
  ASSERT_NE(list, nullptr);
  list->InsertRow({u"Ubuntu 24.04 桌面版.iso", u"5.7 GB", u"68", u"12.4 MB/s", u"下载中"});
  list->InsertRow({u"小学数学 三年级 上册.pdf", u"38.2 MB", u"100", u"-", u"已完成"});
  list->InsertRow({u"课堂录像 第 12 讲.mp4", u"1.2 GB", u"23", u"4.1 MB/s", u"下载中"});
  list->InsertRow({u"素材包-春季.zip", u"860 MB", u"0", u"-", u"等待中"});
  list->SelectRow(0, false);
  auto* drives = window.Find<CTreeViewUI>(u"sellist");
  ASSERT_NE(drives, nullptr);
  const int pc = drives->AddNode(u"电脑");
  drives->AddNode(u"本地磁盘 (C:)", pc);
  drives->AddNode(u"移动磁盘 (E:)", pc);
  drives->SelectRow(1, false);
  if (auto* disk = window.Find<CProgressUI>(u"diskprogress")) disk->SetValue(42);
}

}  // namespace

TEST(Screenshot, MainWindowAndMessageBoxRenderWithContent) {
  ASSERT_TRUE(UseEmbeddedSkin());
  TempDir temp;
  const std::string dir = OutputDir(temp);

  LayoutTestWindow main(u"default.xml");
  ASSERT_NE(main.Open(), nullptr);
  ASSERT_NO_FATAL_FAILURE(FillSampleRows(main));
  ProcessEvents();
  RECT client;
  GetClientRect(main.GetHWND(), &client);
  EXPECT_EQ(client.right, 1024);  // the layout's size wins over the created size
  EXPECT_EQ(client.bottom, 600);
  const std::string mainPng = dir + "/default.png";
  ASSERT_TRUE(RenderToPng(main.GetHWND(), mainPng));
  PictureFacts facts = Inspect(mainPng);
  EXPECT_GT(facts.colours, 40u);
  EXPECT_TRUE(facts.hasAccent);
  EXPECT_TRUE(facts.hasDarkText);

  // The settings page: check boxes, an edit, a scrolling layout.
  ASSERT_TRUE(ClickControl(main.Manager(), u"tab_settings"));
  main.Find<CTabLayoutUI>(u"maintab")->SelectItem(2);
  ProcessEvents();
  const std::string settingsPng = dir + "/default-settings.png";
  ASSERT_TRUE(RenderToPng(main.GetHWND(), settingsPng));
  EXPECT_TRUE(Inspect(settingsPng).hasAccent);

  CMessageBox box(u"下载列表中有任务正在下载,是否退出！");
  ASSERT_NE(box.Create(main.GetHWND(), u"", 0x96C80000, 0, 0, 0, 308, 140), nullptr);
  box.CenterWindow();
  ProcessEvents();
  const std::string boxPng = dir + "/messagebox.png";
  ASSERT_TRUE(RenderToPng(box.GetHWND(), boxPng));
  facts = Inspect(boxPng);
  EXPECT_GT(facts.colours, 15u);
  EXPECT_TRUE(facts.hasAccent);
  EXPECT_TRUE(facts.hasDarkText);
  box.Close(IDCANCEL);
  ProcessEvents();
}

TEST(Screenshot, SecondaryWindowsRender) {
  ASSERT_TRUE(UseEmbeddedSkin());
  TempDir temp;
  const std::string dir = OutputDir(temp);
  for (const char16_t* layout : {u"menu.xml", u"input.xml", u"updateinfo.xml", u"picture.xml"}) {
    LayoutTestWindow window(layout);
    ASSERT_NE(window.Open(), nullptr);
    ProcessEvents();
    std::u16string name(layout);
    const std::string png = dir + "/" + std::string(name.begin(), name.end() - 4) + ".png";
    ASSERT_TRUE(RenderToPng(window.GetHWND(), png));
    EXPECT_GT(Inspect(png).colours, 3u) << png;
  }
}
