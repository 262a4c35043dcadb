// The paint manager's side of the seam with the controls: routing input to
// the control under the point, notifications, filters, control timers,
// painting and the skin resources.
#include <gtest/gtest.h>

#include <memory>

#include <QImage>

#include "platform/Resource.h"
#include "tests/support/TempDir.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/controls/CControlUI.h"
#include "ui/controls/CPaintManagerUI.h"
#include "ui/controls/UIRender.h"
#include "ui/controls/ControlAutomation.h"
#include "ui/window/Automation.h"
#include "ui/window/WindowApi.h"

using namespace ui::automation;

namespace {

struct EventLog {
  std::vector<std::pair<std::u16string, UIEventType>> events;
  std::vector<TEventUI> raw;
};

class Probe : public CControlUI {
 public:
  Probe(std::u16string name, EventLog& log) : log_(log) { SetName(name); }
  void DoEvent(TEventUI& e) override {
    log_.events.emplace_back(GetName(), e.Type);
    log_.raw.push_back(e);
  }

 private:
  EventLog& log_;
};

// A fixed two-child panel: "left" at (0,0)-(100,100), "right" at
// (100,0)-(200,100); itself everything else.
class Panel : public Probe {
 public:
  explicit Panel(EventLog& log) : Probe(u"panel", log) {
    children.push_back(std::make_unique<Probe>(u"left", log));
    children.push_back(std::make_unique<Probe>(u"right", log));
    children[0]->SetBkColor(0xFFFF0000);
    children[1]->SetBkColor(0xFF0000FF);
  }
  void SetManager(IControlHost* m, CControlUI* p) override {
    CControlUI::SetManager(m, p);
    for (auto& c : children) c->SetManager(m, this);
  }
  void SetPos(RECT rc) override {
    CControlUI::SetPos(rc);
    children[0]->SetPos(RECT{0, 0, 100, 100});
    children[1]->SetPos(RECT{100, 0, 200, 100});
  }
  CControlUI* FindControlAt(POINT pt) override {
    for (auto& c : children) {
      if (CControlUI* hit = c->FindControlAt(pt)) return hit;
    }
    return CControlUI::FindControlAt(pt);
  }
  CControlUI* FindControlByName(std::u16string_view name) override {
    for (auto& c : children) {
      if (CControlUI* hit = c->FindControlByName(name)) return hit;
    }
    return CControlUI::FindControlByName(name);
  }
  void DoPaint(UIRenderContext& ctx, const RECT& dirty) override {
    CControlUI::DoPaint(ctx, dirty);
    for (auto& c : children) c->DoPaint(ctx, dirty);
  }
  std::vector<std::unique_ptr<CControlUI>> children;
};

class ManagedWindow : public CWindowWnd, public INotifyUI, public IMessageFilterUI {
 public:
  CPaintManagerUI manager;
  EventLog log;
  std::vector<TNotifyUI> notes;
  std::vector<UINT> reachedWindow;
  std::function<LRESULT(UINT, WPARAM, bool&)> filter;
  std::function<void(TNotifyUI&)> onNotify;

  void Notify(TNotifyUI& msg) override {
    notes.push_back(msg);
    if (onNotify) onNotify(msg);
  }
  LRESULT MessageHandler(UINT message, WPARAM wParam, LPARAM, bool& handled) override {
    return filter ? filter(message, wParam, handled) : 0;
  }

 protected:
  const char16_t* GetWindowClassName() const override { return u"ManagedWindow"; }
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    reachedWindow.push_back(message);
    if (message == WM_CREATE) {
      manager.Init(GetHWND());
      manager.AddPreMessageFilter(this);
      auto root = std::make_unique<Panel>(log);
      root->SetBkColor(0xFF00FF00);
      manager.AttachDialog(root.release());
      manager.AddNotifier(this);
      return 0;
    }
    LRESULT result = 0;
    if (manager.MessageHandler(message, wParam, lParam, result)) return result;
    return CWindowWnd::HandleMessage(message, wParam, lParam);
  }
};

class CPaintManagerUITest : public ::testing::Test {
 protected:
  void SetUp() override {
    hwnd = window.Create(nullptr, u"managed", WS_VISIBLE | WS_POPUP, 0, 50, 50, 300, 200);
    ASSERT_TRUE(hwnd);
  }
  void TearDown() override {
    if (IsWindow(hwnd)) DestroyWindow(hwnd);
    Reset();
  }
  std::vector<UIEventType> EventsOf(std::u16string_view name) const {
    std::vector<UIEventType> types;
    for (const auto& [who, type] : window.log.events) {
      if (who == name) types.push_back(type);
    }
    return types;
  }
  ManagedWindow window;
  HWND hwnd = nullptr;
};

TEST_F(CPaintManagerUITest, FindsControlsByNameAndPoint) {
  EXPECT_EQ(window.manager.FindControl(u"left")->GetName(), u"left");
  EXPECT_EQ(window.manager.FindControl(POINT{150, 50})->GetName(), u"right");
  EXPECT_EQ(window.manager.FindControl(POINT{250, 150})->GetName(), u"panel");
  EXPECT_EQ(window.manager.FindControl(u"nothing"), nullptr);
  EXPECT_EQ(window.manager.FindControl(u""), nullptr);
  EXPECT_EQ(window.manager.GetPaintWindow(), hwnd);
}

TEST_F(CPaintManagerUITest, WindowInitIsNotifiedOnceFromTheLoop) {
  EXPECT_TRUE(window.notes.empty());  // not from inside creation
  ProcessEvents();
  ProcessEvents();
  ASSERT_EQ(window.notes.size(), 1u);
  EXPECT_EQ(window.notes[0].sType, u"windowinit");
  EXPECT_EQ(window.notes[0].pSender, window.manager.GetRoot());
}

TEST_F(CPaintManagerUITest, PressesGoToTheControlUnderThePointAndItKeepsTheRelease) {
  window.log.events.clear();
  MouseMove(hwnd, POINT{20, 20});
  MouseDown(hwnd, POINT{20, 20});
  MouseMove(hwnd, POINT{150, 20}, true);
  MouseUp(hwnd, POINT{150, 20});
  const auto left = EventsOf(u"left");
  EXPECT_NE(std::find(left.begin(), left.end(), UIEVENT_MOUSEENTER), left.end());
  EXPECT_NE(std::find(left.begin(), left.end(), UIEVENT_BUTTONDOWN), left.end());
  EXPECT_NE(std::find(left.begin(), left.end(), UIEVENT_SETFOCUS), left.end());
  // Captured: the release goes to the pressed control, outside it or not.
  EXPECT_NE(std::find(left.begin(), left.end(), UIEVENT_BUTTONUP), left.end());
  const auto right = EventsOf(u"right");
  EXPECT_EQ(std::find(right.begin(), right.end(), UIEVENT_BUTTONUP), right.end());
  EXPECT_NE(std::find(right.begin(), right.end(), UIEVENT_MOUSEENTER), right.end());
  EXPECT_EQ(window.manager.GetFocus()->GetName(), u"left");
  const TEventUI& up = window.log.raw.back();
  EXPECT_EQ(up.ptMouse.x, 150);
}

TEST_F(CPaintManagerUITest, ClicksANamedControlInItsMiddle) {
  window.log.raw.clear();
  EXPECT_TRUE(ClickControl(window.manager, u"right"));
  EXPECT_FALSE(ClickControl(window.manager, u"absent"));
  ASSERT_FALSE(window.log.raw.empty());
  const TEventUI& last = window.log.raw.back();
  EXPECT_EQ(last.Type, UIEVENT_BUTTONUP);
  EXPECT_EQ(last.pSender->GetName(), u"right");
  EXPECT_EQ(last.ptMouse.x, 150);
  EXPECT_EQ(last.ptMouse.y, 50);
}

TEST_F(CPaintManagerUITest, RightClickGivesContextMenuAndKeysGoToTheFocus) {
  window.log.events.clear();
  Click(hwnd, POINT{150, 50}, Button::Right);
  const auto right = EventsOf(u"right");
  EXPECT_NE(std::find(right.begin(), right.end(), UIEVENT_RBUTTONDOWN), right.end());
  EXPECT_NE(std::find(right.begin(), right.end(), UIEVENT_CONTEXTMENU), right.end());
  KeyPress(hwnd, 'X', u"x");
  const auto after = EventsOf(u"right");
  EXPECT_NE(std::find(after.begin(), after.end(), UIEVENT_KEYDOWN), after.end());
  EXPECT_NE(std::find(after.begin(), after.end(), UIEVENT_CHAR), after.end());
  Wheel(hwnd, POINT{20, 20}, 120);
  const auto left = EventsOf(u"left");
  EXPECT_NE(std::find(left.begin(), left.end(), UIEVENT_SCROLLWHEEL), left.end());
}

TEST_F(CPaintManagerUITest, SendNotifySynchronousAndAsynchronous) {
  ProcessEvents();
  window.notes.clear();
  CControlUI* left = window.manager.FindControl(u"left");
  MouseMove(hwnd, POINT{30, 35});
  window.manager.SendNotify(left, u"click", 3, 4);
  ASSERT_EQ(window.notes.size(), 1u);
  EXPECT_EQ(window.notes[0].sType, u"click");
  EXPECT_EQ(window.notes[0].pSender, left);
  EXPECT_EQ(window.notes[0].wParam, 3u);
  EXPECT_EQ(window.notes[0].lParam, 4);
  EXPECT_EQ(window.notes[0].ptMouse.x, 30);
  EXPECT_EQ(window.notes[0].ptMouse.y, 35);
  window.manager.SendNotify(left, u"menu_Open", 0, 0, true);
  window.manager.SendNotify(left, u"menu_Delete", 0, 0, true);
  EXPECT_EQ(window.notes.size(), 1u);
  ProcessEvents();
  ASSERT_EQ(window.notes.size(), 3u);
  EXPECT_EQ(window.notes[1].sType, u"menu_Open");
  EXPECT_EQ(window.notes[2].sType, u"menu_Delete");
}

TEST_F(CPaintManagerUITest, QueuedNotificationOfADeletedControlIsDropped) {
  ProcessEvents();
  window.notes.clear();
  auto* panel = static_cast<Panel*>(window.manager.GetRoot());
  window.manager.SendNotify(panel->children[1].get(), u"late", 0, 0, true);
  panel->children.pop_back();
  ProcessEvents();
  EXPECT_TRUE(window.notes.empty());
}

TEST_F(CPaintManagerUITest, NotifierMayDestroyTheWindowWhileNotified) {
  ProcessEvents();
  window.onNotify = [this](TNotifyUI&) { DestroyWindow(hwnd); };
  window.manager.SendNotify(window.manager.GetRoot(), u"click");
  EXPECT_FALSE(IsWindow(hwnd));
}

TEST_F(CPaintManagerUITest, PreFilterEndsTheMessageOnlyWhenItSaysHandled) {
  window.filter = [](UINT m, WPARAM w, bool& handled) -> LRESULT {
    if (m != WM_KEYDOWN) return 0;
    if (w == VK_ESCAPE) handled = true;
    return 1;  // answered but not handled: processing goes on
  };
  window.reachedWindow.clear();
  KeyPress(hwnd, VK_RETURN);
  KeyPress(hwnd, VK_ESCAPE);
  size_t keyDowns = std::count(window.reachedWindow.begin(), window.reachedWindow.end(), WM_KEYDOWN);
  EXPECT_EQ(keyDowns, 1u);  // Enter reached the window, Escape did not
}

TEST_F(CPaintManagerUITest, ControlTimersTickToTheirControlAndStop) {
  CControlUI* right = window.manager.FindControl(u"right");
  ASSERT_TRUE(window.manager.SetTimer(right, 77, 5));
  ASSERT_TRUE(RunUntil([&] {
    const auto e = EventsOf(u"right");
    return std::count(e.begin(), e.end(), UIEVENT_TIMER) >= 2;
  }));
  EXPECT_EQ(window.log.raw.back().wParam, 77u);
  EXPECT_TRUE(window.manager.KillTimer(right, 77));
  EXPECT_FALSE(window.manager.KillTimer(right, 77));
  window.log.events.clear();
  RunUntil([] { return false; }, 30);
  EXPECT_TRUE(EventsOf(u"right").empty());
}

TEST_F(CPaintManagerUITest, PaintsTheTreeIntoThePicture) {
  TempDir dir;
  const std::string png = dir / "tree.png";
  ASSERT_TRUE(RenderToPng(hwnd, png));
  QImage image(QString::fromStdString(png));
  ASSERT_EQ(image.width(), 300);
  EXPECT_EQ(image.pixel(50, 50), qRgb(255, 0, 0));
  EXPECT_EQ(image.pixel(150, 50), qRgb(0, 0, 255));
  EXPECT_EQ(image.pixel(250, 150), qRgb(0, 255, 0));
}

TEST(SkinResources, EmbeddedArchiveIsFoundAndServed) {
  HRSRC resource = FindResourceW(CPaintManagerUI::GetResourceDll(), 109, u"ZIPRES");
  ASSERT_TRUE(resource);
  EXPECT_EQ(FindResource(nullptr, 110, u"ZIPRES"), nullptr);
  EXPECT_EQ(FindResource(nullptr, 109, u"PNG"), nullptr);
  const std::uint32_t size = SizeofResource(nullptr, resource);
  ASSERT_GT(size, 22u);  // at least a zip's end record
  const void* bytes = LockResource(LoadResource(nullptr, resource));
  ASSERT_TRUE(bytes);
  // The entry point copies the bytes into a buffer of exactly that size.
  std::vector<char> buffer(static_cast<const char*>(bytes), static_cast<const char*>(bytes) + size);
  ASSERT_TRUE(CPaintManagerUI::SetResourceZip(buffer.data(), buffer.size()));
  auto layout = CPaintManagerUI::LoadResourceFile(u"default.xml");
  ASSERT_TRUE(layout);
  EXPECT_NE(layout->find("<Window"), std::string::npos);
  EXPECT_TRUE(CPaintManagerUI::LoadResourceFile(u"DEFAULT.XML"));
  EXPECT_TRUE(CPaintManagerUI::LoadResourceFile(u"\\default.xml"));
  EXPECT_FALSE(CPaintManagerUI::LoadResourceFile(u"missing.png"));
  EXPECT_FALSE(CPaintManagerUI::LoadResourceFile(u""));
}

TEST(SkinResources, DamagedArchiveIsRefusedAndFolderServesDuringDevelopment) {
  const std::string junk(200, 'x');
  EXPECT_FALSE(CPaintManagerUI::SetResourceZip(junk.data(), junk.size()));
  EXPECT_FALSE(CPaintManagerUI::SetResourceZip(nullptr, 0));
  EXPECT_FALSE(CPaintManagerUI::LoadResourceFile(u"default.xml"));
  TempDir dir;
  WriteFileBytes(dir / "menu.xml", "<Window/>");
  const std::string path = dir.path();
  CPaintManagerUI::SetResourcePath(std::u16string(path.begin(), path.end()));
  EXPECT_EQ(CPaintManagerUI::LoadResourceFile(u"menu.xml").value_or(""), "<Window/>");
  EXPECT_FALSE(CPaintManagerUI::LoadResourceFile(u"../menu.xml"));
  CPaintManagerUI::SetResourcePath(u"");
}

}  // namespace
