// The paint manager of one window: it owns the window's control tree, paints
// it, routes mouse and keyboard input to the control under the point (or the
// one with focus), and delivers notifications to the registered notifiers.
// Its static side holds the process's resources (the skin archive) and runs
// the message loop.
//
// Everything here belongs to the window thread.
#ifndef VELMORA_UI_CONTROLS_CPAINTMANAGERUI_H
#define VELMORA_UI_CONTROLS_CPAINTMANAGERUI_H

#include <cstddef>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/controls/ControlHost.h"
#include "ui/controls/UIEvents.h"
#include "ui/window/HostMessageFilter.h"

class CControlUI;

class CPaintManagerUI final : public IHostMessageFilter, public IControlHost {
 public:
  CPaintManagerUI();
  ~CPaintManagerUI();
  CPaintManagerUI(const CPaintManagerUI&) = delete;
  CPaintManagerUI& operator=(const CPaintManagerUI&) = delete;

  void Init(HWND hwnd);
  HWND GetPaintWindow() const override { return hwnd_; }
  CPaintManagerUI* Manager() override { return this; }

  // Takes ownership of `root` (deleting the previous root) and lays it out.
  bool AttachDialog(CControlUI* root);
  CControlUI* GetRoot() const { return root_.get(); }
  CControlUI* FindControl(std::u16string_view name) const;
  CControlUI* FindControl(POINT pt) const;

  bool AddNotifier(INotifyUI* notifier);
  bool RemoveNotifier(INotifyUI* notifier);
  bool AddPreMessageFilter(IMessageFilterUI* filter);
  bool RemovePreMessageFilter(IMessageFilterUI* filter);
  // Runs the pre-message filters; true when one set its handled flag.
  bool PreMessageHandler(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  bool TakeDrop(POINT pt, std::u16string text, int count) override;

  // Delivers now, or (asynchronous) from the message loop after the current
  // message; a queued notification whose sender is reaped is dropped.
  void SendNotify(TNotifyUI& msg, bool async = false) override;
  void SendNotify(CControlUI* control, std::u16string_view type, WPARAM wParam = 0, LPARAM lParam = 0,
                  bool async = false);
  // Delivers now with a point of the caller's (a drop's), not the mouse's.
  void SendNotifyAt(TNotifyUI& msg, POINT pt);

  // True when the message was the library's; `result` then holds its answer.
  bool MessageHandler(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

  // Frame values, normally set from the layout's Window element.
  SIZE GetRoundCorner() const { return roundCorner_; }
  void SetRoundCorner(int cx, int cy);
  RECT GetSizeBox() const { return sizeBox_; }
  void SetSizeBox(const RECT& box) { sizeBox_ = box; }
  RECT GetCaptionRect() const { return caption_; }
  void SetCaptionRect(const RECT& caption) { caption_ = caption; }
  SIZE GetInitSize() const { return initSize_; }
  void SetInitSize(int cx, int cy);
  SIZE GetMinInfo() const { return minInfo_; }
  void SetMinInfo(int cx, int cy) { minInfo_ = SIZE{cx, cy}; }
  SIZE GetMaxInfo() const { return maxInfo_; }
  void SetMaxInfo(int cx, int cy) { maxInfo_ = SIZE{cx, cy}; }

  void Invalidate() override;
  void Invalidate(const RECT& rc) override;
  // Lays the tree out again at the next chance (after a control changed size).
  void NeedUpdate() override;

  CControlUI* GetFocus() const override { return focus_; }
  void SetFocus(CControlUI* control) override;
  CControlUI* GetHover() const { return hover_; }
  POINT GetMousePos() const override { return lastMouse_; }

  // Control timers: UIEVENT_TIMER with wParam `id` to `control`.
  bool SetTimer(CControlUI* control, UINT id, UINT elapseMs) override;
  bool KillTimer(CControlUI* control, UINT id) override;
  void KillTimers(CControlUI* control);

  void ReapObjects(CControlUI* control) override;

  // Process-wide resources.
  static void SetInstance(HINSTANCE instance);
  static HINSTANCE GetInstance();
  static HINSTANCE GetResourceDll();
  // The zip stays owned by the caller and must outlive its use.
  static bool SetResourceZip(const void* data, std::size_t size);
  // A folder to serve resources from when no zip is set (development).
  static void SetResourcePath(std::u16string_view folder);
  // The bytes of a layout or image by its name inside the skin.
  static std::optional<std::string> LoadResourceFile(std::u16string_view name);

  // Runs until WM_QUIT; returns its exit code.
  static int MessageLoop();

 private:
  struct TimerEntry {
    CControlUI* control;
    UINT id;
    UINT_PTR windowTimer;
  };

  bool HandlePaint();
  void HandleSize();
  bool HandleMouse(UINT message, WPARAM wParam, LPARAM lParam);
  bool HandleKey(UINT message, WPARAM wParam, LPARAM lParam);
  void DeliverKey(UINT message, WPARAM wParam, LPARAM lParam, unsigned modifiers);
  bool HandleTimer(WPARAM wParam);
  void HandleMinMaxInfo(LPARAM lParam);
  void SetHover(CControlUI* control, POINT pt, WPARAM keys);
  void RaiseEvent(CControlUI* control, UIEventType type, POINT pt, WPARAM keys, WPARAM wParam = 0,
                  LPARAM lParam = 0);
  void DeliverNotify(TNotifyUI& msg);
  void DeliverQueuedNotifies();
  void ScheduleWindowInit();

  HWND hwnd_ = nullptr;
  std::unique_ptr<CControlUI> root_;
  std::vector<INotifyUI*> notifiers_;
  std::vector<IMessageFilterUI*> preFilters_;
  std::deque<TNotifyUI> asyncNotifies_;
  std::vector<TimerEntry> timers_;
  UINT_PTR nextTimer_ = 0x10000;
  CControlUI* focus_ = nullptr;
  CControlUI* hover_ = nullptr;
  CControlUI* pressed_ = nullptr;
  POINT lastMouse_;
  SIZE roundCorner_;
  RECT sizeBox_;
  RECT caption_;
  SIZE initSize_;
  SIZE minInfo_;
  SIZE maxInfo_;
  bool needUpdate_ = false;
  bool windowInitSent_ = false;
  bool notifyTaskQueued_ = false;
  std::shared_ptr<bool> alive_;
};

#endif
