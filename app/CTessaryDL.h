// The main window: a borderless, round-cornered frame built from
// "default.xml" that turns every notification, timer tick, copy-data and
// custom message into a call of a named script function. The scripts own the
// product; this class only routes, guards the exit and keeps the frame.
//
// Everything here runs on the window thread, the only thread that touches the
// script host.
#ifndef VELMORA_APP_CTESSARYDL_H
#define VELMORA_APP_CTESSARYDL_H

#include <memory>
#include <string>

#include "app/MainWindowMessages.h"
#include "script/ConfigBootstrap.h"
#include "script/tessaryLuaCommon.h"
#include "ui/UIlib.h"

// Lays out "SelectList" as a tree; every other class is the builder's own.
class CDialogBuilderCallbackEx : public IDialogBuilderCallback {
 public:
  CControlUI* CreateControl(std::u16string_view className) override;
};

class CTessaryDL : public CWindowWnd, public INotifyUI, public IListCallbackUI {
 public:
  CTessaryDL();
  ~CTessaryDL() override;

  void Notify(TNotifyUI& msg) override;
  std::u16string GetItemText(CControlUI* list, int item, int subItem) override;

  CPaintManagerUI& PaintManager() { return paintManager; }
  LuaCommon& Script() { return script; }
  ConfigBootstrap& Bootstrap() { return *bootstrap; }
  // The text of the last confirmation box.
  const std::u16string& MessageText() const { return messageText; }
  const std::u16string& SavePath() const { return savePath; }
  const std::u16string& DownloadThreadCount() const { return downloadThreadCount; }

 protected:
  const char16_t* GetWindowClassName() const override { return u"UIMainFrame"; }
  UINT GetClassStyle() const override { return CS_DBLCLKS; }
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  // Frame (creation, region, maximised size, hit test, activation).
  LRESULT OnCreate();
  void InitialSetup();
  void OnSize(WPARAM wParam);
  void OnGetMinMaxInfo(LPARAM lParam);
  LRESULT OnNcHitTest(LPARAM lParam);
  LRESULT OnSysCommand(UINT message, WPARAM wParam, LPARAM lParam);

  // Routing to the scripts.
  void OnWindowInit();
  // True when the click is dealt with (exit blocked or confirmed).
  bool ConfirmExit();
  bool HideToTray();
  int ShowMessageBox(std::u16string text, bool withCancel);
  void OnCopyData(UINT message, WPARAM wParam, LPARAM lParam);
  // True when the message is answered with `result`; false passes it on.
  bool HandleCustomMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  LRESULT PassOn(UINT message, WPARAM wParam, LPARAM lParam, LRESULT result);
  void FailStartup();

  CPaintManagerUI paintManager;
  std::u16string savePath;
  std::u16string downloadThreadCount;
  std::u16string messageText;
  CControlUI* closeButton = nullptr;
  CControlUI* maxButton = nullptr;
  CControlUI* restoreButton = nullptr;
  CControlUI* minButton = nullptr;
  CControlUI* menuButton = nullptr;
  CControlUI* deleteButton = nullptr;
  CDialogBuilderCallbackEx builderCallback;
  // 1 after a configuration answer, 2 after a "#clicent#" copy-data: the next
  // timer tick asks the scripts to query their data once.
  int pendingQuery = 0;
  // Before the script host: its construction starts the bootstrap, and the
  // bootstrap's workers must be stopped before the host goes.
  std::unique_ptr<ConfigBootstrap> bootstrap;
  LuaCommon script;
};

#endif
