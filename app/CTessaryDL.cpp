#include "app/CTessaryDL.h"

#include <cstdint>
#include <cstring>
#include <string>

#include "app/ConfigBootstrapSteps.h"
#include "app/DesktopScriptLibrary.h"
#include "app/DialogScriptLibrary.h"
#include "app/SavePathSetup.h"
#include "app/InputDlgLibrary.h"
#include "app/SecondaryWindows.h"
#include "app/SkinnedFrame.h"
#include "app/WideTextToInt.h"
#include "app/WorkArea.h"
#include "base/CodePageText.h"
#include "dl/DownloadNotifier.h"
#include "lang/TextFormat.h"
#include "lang/Texts.h"
#include "platform/ClientCommand.h"
#include "util/sysfile.h"

namespace {

constexpr DWORD kMessageBoxStyle = 0x96C80000;
constexpr DWORD kCaptionBit = WS_CAPTION;
constexpr DWORD kClipBits = WS_CLIPSIBLINGS | WS_CLIPCHILDREN;

LuaCommonHooks MainWindowHooks(ConfigBootstrap& bootstrap) {
  LuaCommonHooks hooks;
  hooks.startConfigBootstrap = [&bootstrap](LuaCommon& script) { bootstrap.Start(script); };
  hooks.registerWindowLibraries = [](lua_State* L) {
    RegisterUiScriptLibrary(L);
    RegisterInputDlgLibrary(L);
    RegisterDesktopScriptLibrary(L);
    RegisterDialogScriptLibrary(L);
  };
  return hooks;
}

std::u16string AsciiToWide(const std::string& text) { return std::u16string(text.begin(), text.end()); }

bool IsDragBlocker(const CControlUI* control) {
  const std::u16string kind = control->GetClass();
  return kind == u"ButtonUI" || kind == u"OptionUI" || kind == u"TextUI";
}

// The copy-data bytes up to the first zero; the sender need not end them with
// one, so nothing past cbData is read.
std::string CopyDataText(const COPYDATASTRUCT* data) {
  if (!data || !data->lpData || data->cbData == 0) return {};
  const auto* bytes = static_cast<const char*>(data->lpData);
  const void* zero = std::memchr(bytes, 0, data->cbData);
  const std::size_t length = zero ? static_cast<std::size_t>(static_cast<const char*>(zero) - bytes) : data->cbData;
  return std::string(bytes, length);
}

}  // namespace

CControlUI* CDialogBuilderCallbackEx::CreateControl(std::u16string_view className) {
  if (className == u"SelectList") return new CTreeViewUI;
  return nullptr;
}

CTessaryDL::CTessaryDL() : bootstrap(MakeMainWindowBootstrap()), script(MainWindowHooks(*bootstrap)) {}

// Nothing may call the scripts once the host is gone: the workers stop
// posting first, and the controls (whose bindings may hold script values)
// go before the host does.
CTessaryDL::~CTessaryDL() {
  bootstrap->Shutdown();
  SetDownloadStatePoster(nullptr);
  paintManager.RemoveNotifier(this);
  paintManager.AttachDialog(nullptr);
}

std::u16string CTessaryDL::GetItemText(CControlUI*, int, int) { return {}; }

LRESULT CTessaryDL::OnCreate() {
  const HWND hwnd = GetHWND();
  const auto style = static_cast<DWORD>(GetWindowLongW(hwnd, GWL_STYLE));
  SetWindowLongW(hwnd, GWL_STYLE, static_cast<LONG>((style & ~kCaptionBit) | kClipBits));
  paintManager.Init(hwnd);
  CDialogBuilder builder;
  CControlUI* root = builder.Create(u"default.xml", nullptr, &builderCallback, &paintManager);
  paintManager.AttachDialog(root);
  paintManager.AddNotifier(this);
  // Download workers post their state changes; the handler below runs them
  // on this thread.
  SetDownloadStatePoster([hwnd](int64_t id, TaskState state) {
    ::PostMessage(hwnd, kDownloadStateMessage, static_cast<WPARAM>(id), static_cast<LPARAM>(state));
  });
  InitialSetup();
  return 0;
}

void CTessaryDL::InitialSetup() {
  closeButton = paintManager.FindControl(u"closebtn");
  maxButton = paintManager.FindControl(u"maxbtn");
  restoreButton = paintManager.FindControl(u"restorebtn");
  minButton = paintManager.FindControl(u"minbtn");
  menuButton = paintManager.FindControl(u"menubtn");
  deleteButton = paintManager.FindControl(u"B_delete");
  if (script.LoadMainScript(&paintManager) != 0 || !CheckInstallPath(script)) {
    FailStartup();
    return;
  }
  BuildSaveLocationList(script);
  // A "#clicent#" or "#browser#" command line needs nothing more here: the
  // scripts read every argument from startparam.
}

void CTessaryDL::FailStartup() {
  MessageBoxW(nullptr, lang::Text16("host.loadFailed").c_str(), lang::Text16("host.warningTitle").c_str(), MB_OK);
  PostQuitMessage(0);
}

void CTessaryDL::OnSize(WPARAM wParam) { ApplyRoundCorners(GetHWND(), paintManager, wParam); }

void CTessaryDL::OnGetMinMaxInfo(LPARAM lParam) {
  auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
  if (!info) return;
  // Without a usable monitor the window system's own maximised size stands.
  const auto work = QueryWorkArea(GetHWND());
  if (!work) return;
  info->ptMaxPosition = POINT{0, 0};
  info->ptMaxSize = POINT{work->right - work->left, work->bottom - work->top};
}

LRESULT CTessaryDL::OnNcHitTest(LPARAM lParam) {
  const HWND hwnd = GetHWND();
  POINT pt{static_cast<std::int16_t>(LOWORD(lParam)), static_cast<std::int16_t>(HIWORD(lParam))};
  ScreenToClient(hwnd, &pt);
  RECT client;
  GetClientRect(hwnd, &client);
  const LONG w = client.right - client.left;
  const LONG h = client.bottom - client.top;
  if (!IsZoomed(hwnd)) {
    const RECT box = paintManager.GetSizeBox();
    if (pt.y < box.top) return pt.x < box.left ? HTTOPLEFT : pt.x > w - box.right ? HTTOPRIGHT : HTTOP;
    if (pt.y > h - box.bottom) {
      return pt.x < box.left ? HTBOTTOMLEFT : pt.x > w - box.right ? HTBOTTOMRIGHT : HTBOTTOM;
    }
    if (pt.x < box.left) return HTLEFT;
    if (pt.x > w - box.right) return HTRIGHT;
  }
  const RECT caption = paintManager.GetCaptionRect();
  if (pt.x >= caption.left && pt.x < w - caption.right && pt.y >= caption.top && pt.y < caption.bottom) {
    const CControlUI* control = paintManager.FindControl(pt);
    if (control && !IsDragBlocker(control)) return HTCAPTION;
  }
  return HTCLIENT;
}

LRESULT CTessaryDL::OnSysCommand(UINT message, WPARAM wParam, LPARAM lParam) {
  if ((wParam & 0xFFF0) == SC_CLOSE) {
    if (!HideToTray()) PostQuitMessage(0);
    return 0;
  }
  const HWND hwnd = GetHWND();
  const bool wasZoomed = IsZoomed(hwnd);
  const LRESULT result = CWindowWnd::HandleMessage(message, wParam, lParam);
  const bool zoomed = IsZoomed(hwnd);
  if (wasZoomed != zoomed) {
    if (maxButton) maxButton->SetVisible(!zoomed);
    if (restoreButton) restoreButton->SetVisible(zoomed);
  }
  return result;
}

void CTessaryDL::Notify(TNotifyUI& msg) {
  const std::u16string& type = msg.sType;
  CControlUI* sender = msg.pSender;
  if (type == u"windowinit") return OnWindowInit();
  if (type == u"click") {
    if (sender && sender == closeButton && ConfirmExit()) return;
    if (sender && sender == minButton) return void(PostMessage(WM_SYSCOMMAND, SC_MINIMIZE, 0));
    if (sender && sender == maxButton) return void(PostMessage(WM_SYSCOMMAND, SC_MAXIMIZE, 0));
    if (sender && sender == restoreButton) return void(PostMessage(WM_SYSCOMMAND, SC_RESTORE, 0));
    if (sender && sender->GetClass() == u"OptionUI") return;
    script.CallScriptPointer("OnClickEvent", &msg);
    return;
  }
  if (type == u"itemdoubleclick" || type == u"itemclick") {
    script.CallScriptPointer("OnItemClickEvent", &msg);
  } else if (type == u"tabselect") {
    script.CallOnTabSelectEvent(&msg, msg.wParam, msg.lParam);
  } else if (type == u"menu") {
    if (sender && (sender->GetName() == u"downloadlist" || sender->GetName() == u"downloadedlist")) {
      POINT pt = msg.ptMouse;
      ClientToScreen(GetHWND(), &pt);
      OpenContextMenu(sender, pt);
    }
  } else {
    script.CallScriptPointer("OnOtherEvent", &msg);
  }
}

void CTessaryDL::OnWindowInit() {
  if (GetPathKind(configFilePath) != -1) {
    bootstrap->InitSystemIfDue(script);
    downloadThreadCount = script.GetScriptGlobalText("DownloadThreadCount");
  }
  if (!CheckInstallPath(script)) FailStartup();
  SetTimer(GetHWND(), kScriptTimerId, 1000, nullptr);
  savePath = TakeInstallSavePath(script);
}

// The scripts' "close to tray" setting: closing then only hides the window,
// which the tray icon brings back.
bool CTessaryDL::HideToTray() {
  if (script.GetScriptGlobalText("CloseToTray") != u"1") return false;
  ShowWindow(false, false);
  return true;
}

bool CTessaryDL::ConfirmExit() {
  if (HideToTray()) return true;
  const int unpacking = WideTextToInt(script.GetScriptGlobalText("UnzipCount"));
  if (unpacking > 0) {
    ShowMessageBox(lang::FormatText(lang::Text16ForCount("host.unpacking", unpacking), {AsciiToWide(std::to_string(unpacking))}), false);
    return true;
  }
  const bool idle = script.GetScriptGlobalText("DownloadThreadCount") == script.GetScriptGlobalText("freeThreadCount");
  std::u16string text =
      idle ? lang::FormatText(lang::Text16("host.quitIdle"), {kProductTitle}) : lang::Text16("host.quitBusy");
  if (ShowMessageBox(std::move(text), true) != IDOK) return false;
  script.CallScript("QuitSystem");
  PostMessage(WM_CLOSE, 0, 0);
  return true;
}

int CTessaryDL::ShowMessageBox(std::u16string text, bool withCancel) {
  messageText = std::move(text);
  CMessageBox box(messageText);
  if (!box.Create(GetHWND(), u"", kMessageBoxStyle, 0, 0, 0, 308, 140)) return 0;
  box.CenterWindow();
  if (!withCancel) box.SetCancelBtnVisible(false);
  return static_cast<int>(box.ShowModal());
}

void CTessaryDL::OnCopyData(UINT message, WPARAM wParam, LPARAM lParam) {
  const std::string text = CopyDataText(reinterpret_cast<const COPYDATASTRUCT*>(lParam));
  if (!platform::IsClientCommand(text)) {
    script.CallOnWindowMessage(message, wParam, lParam);
    return;
  }
  // Script text is in the ANSI code page, whatever that is on this system.
  const std::string ansi = Utf8ToAnsi(text);
  script.CallScriptText("insertTodb", ansi.c_str());
  pendingQuery = 2;
}

LRESULT CTessaryDL::PassOn(UINT message, WPARAM wParam, LPARAM lParam, LRESULT result) {
  if (paintManager.MessageHandler(message, wParam, lParam, result)) return result;
  return CWindowWnd::HandleMessage(message, wParam, lParam);
}

LRESULT CTessaryDL::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (const auto answer = SkinnedFrameAnswer(GetHWND(), message, wParam)) return *answer;
  LRESULT result = 0;
  switch (message) {
    case WM_CREATE:
      return OnCreate();
    case WM_DESTROY:
      script.CallScript("QuitSystem");
      PostQuitMessage(0);
      break;
    case WM_SIZE:
      OnSize(wParam);
      break;
    case WM_CLOSE:
      KillTimer(GetHWND(), kScriptTimerId);
      script.CallScript("QuitControl");
      PostQuitMessage(0);
      return 0;
    case WM_GETMINMAXINFO:
      OnGetMinMaxInfo(lParam);
      break;
    case WM_COPYDATA:
      OnCopyData(message, wParam, lParam);
      break;
    case WM_NCHITTEST:
      return OnNcHitTest(lParam);
    case WM_SYSCOMMAND:
      return OnSysCommand(message, wParam, lParam);
    case WM_TIMER:
      result = script.CallScriptInt("OnTimer", static_cast<intptr_t>(wParam));
      if (pendingQuery > 0) {
        pendingQuery = 0;
        script.CallScript("queryudata");
      }
      break;
    default:
      if (HandleCustomMessage(message, wParam, lParam, result)) return result;
      break;
  }
  return PassOn(message, wParam, lParam, result);
}

bool CTessaryDL::HandleCustomMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  switch (message) {
    case kMsgScriptRequest:
      if (wParam == 0 && !bootstrap->ServerListDelivered()) bootstrap->StartServerListFetch();
      result = script.CallOnMessage(wParam, lParam);
      return false;
    case kMsgServerListReady:
      bootstrap->DeliverServerList(script);
      script.CallScriptText("InitSerchType", "");
      return true;
    case kMsgShowCover:
      ShowCoverPicture(GetHWND(), script.GetScriptGlobalText("BookCoverPath"));
      return true;
    case kMsgConfigAnswer:
      bootstrap->HandleConfigAnswer(script);
      downloadThreadCount = script.GetScriptGlobalText("DownloadThreadCount");
      CheckInstallPath(script);
      pendingQuery = 1;
      return true;
    case kMsgRestartConfig:
      bootstrap->Start(script);
      return true;
    case kMsgAskUpdateNotice:
      if (script.updateInfoText.empty()) {
        bootstrap->StartUpdateNoticeFetch();
        return true;
      }
      ShowUpdateNotice(GetHWND(), script.updateInfoText);
      return true;
    case kMsgShowUpdateNotice:
      bootstrap->TakeUpdateNotice(script);
      ShowUpdateNotice(GetHWND(), script.updateInfoText);
      return true;
    case kDownloadStateMessage:
      script.CallOnWindowMessageNumbers(message, static_cast<int64_t>(wParam), static_cast<int64_t>(lParam));
      return false;
    case kMsgTrayIcon:
      if (wParam != kTrayIconId) {
        result = 1;
      } else if (lParam == WM_LBUTTONDBLCLK) {
        ShowWindow(true, true);
      }
      // The scripts offer the icon's menu (show, quit).
      if (wParam == kTrayIconId) script.CallOnWindowMessage(message, wParam, lParam);
      return false;
    default:
      script.CallOnWindowMessage(message, wParam, lParam);
      return false;
  }
}
