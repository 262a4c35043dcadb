// Every live window of this process, by handle. The one structure that any
// thread may read: titles and parent links are kept here so that lookups and
// posts from worker threads never touch a widget.
//
// A handle is (process id << 32) | serial; serials are never reused within a
// process, so a stale handle stays invalid.
#ifndef VELMORA_UI_WINDOW_WINDOWREGISTRY_H
#define VELMORA_UI_WINDOW_WINDOWREGISTRY_H

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "ui/UIDefs.h"

namespace ui::detail {

class WindowHost;

std::uint32_t CurrentProcessTag();
HWND MakeHwnd(std::uint32_t pid, std::uint32_t serial);
std::uint32_t HwndProcess(HWND hwnd);
std::uint32_t HwndSerial(HWND hwnd);
bool IsLocalHandle(HWND hwnd);

class WindowRegistry {
 public:
  static WindowRegistry& Instance();

  HWND Add(WindowHost* host, HWND parent, bool topLevel);
  void Remove(HWND hwnd);
  bool Contains(HWND hwnd) const;
  // Window thread only: the widget may be used only on that thread.
  WindowHost* Host(HWND hwnd) const;
  HWND Parent(HWND hwnd) const;
  void SetTitle(HWND hwnd, std::u16string_view title);
  std::u16string Title(HWND hwnd) const;
  void SetTopLevel(HWND hwnd, bool topLevel);
  // The oldest top-level window of this process with exactly this title.
  HWND FindTopLevel(std::u16string_view title, std::u16string_view className = {}) const;
  void SetClassName(HWND hwnd, std::u16string_view className);
  std::vector<HWND> Children(HWND parent) const;
  std::size_t Count() const;

 private:
  struct Entry {
    WindowHost* host = nullptr;
    HWND parent = nullptr;
    bool topLevel = true;
    std::u16string title;
    std::u16string className;
  };
  mutable std::mutex mutex_;
  std::map<std::uint32_t, Entry> windows_;
  std::uint32_t nextSerial_ = 1;
};

}  // namespace ui::detail

#endif
