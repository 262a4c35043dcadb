#include "ui/window/WindowRegistry.h"

#include <pthread.h>
#include <unistd.h>

#include <atomic>

namespace ui::detail {

namespace {

// getpid is a system call and every handle check asks for it; the value is
// kept and refreshed in a forked child.
std::atomic<std::uint32_t> g_processTag{0};

void ForgetProcessTag() { g_processTag = 0; }

}  // namespace

std::uint32_t CurrentProcessTag() {
  std::uint32_t tag = g_processTag.load(std::memory_order_relaxed);
  if (tag == 0) {
    static const bool registered = (pthread_atfork(nullptr, nullptr, ForgetProcessTag), true);
    (void)registered;
    tag = static_cast<std::uint32_t>(::getpid());
    g_processTag.store(tag, std::memory_order_relaxed);
  }
  return tag;
}

HWND MakeHwnd(std::uint32_t pid, std::uint32_t serial) {
  const std::uint64_t value = (static_cast<std::uint64_t>(pid) << 32) | serial;
  return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(value));
}

std::uint32_t HwndProcess(HWND hwnd) {
  return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(hwnd) >> 32);
}

std::uint32_t HwndSerial(HWND hwnd) {
  return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(hwnd) & 0xFFFFFFFFu);
}

bool IsLocalHandle(HWND hwnd) { return hwnd && HwndProcess(hwnd) == CurrentProcessTag(); }

WindowRegistry& WindowRegistry::Instance() {
  static WindowRegistry registry;
  return registry;
}

HWND WindowRegistry::Add(WindowHost* host, HWND parent, bool topLevel) {
  std::lock_guard lock(mutex_);
  const std::uint32_t serial = nextSerial_++;
  windows_[serial] = Entry{host, parent, topLevel, {}, {}};
  return MakeHwnd(CurrentProcessTag(), serial);
}

void WindowRegistry::Remove(HWND hwnd) {
  std::lock_guard lock(mutex_);
  if (IsLocalHandle(hwnd)) windows_.erase(HwndSerial(hwnd));
}

bool WindowRegistry::Contains(HWND hwnd) const {
  std::lock_guard lock(mutex_);
  return IsLocalHandle(hwnd) && windows_.count(HwndSerial(hwnd)) != 0;
}

WindowHost* WindowRegistry::Host(HWND hwnd) const {
  std::lock_guard lock(mutex_);
  if (!IsLocalHandle(hwnd)) return nullptr;
  auto it = windows_.find(HwndSerial(hwnd));
  return it == windows_.end() ? nullptr : it->second.host;
}

HWND WindowRegistry::Parent(HWND hwnd) const {
  std::lock_guard lock(mutex_);
  if (!IsLocalHandle(hwnd)) return nullptr;
  auto it = windows_.find(HwndSerial(hwnd));
  return it == windows_.end() ? nullptr : it->second.parent;
}

void WindowRegistry::SetTitle(HWND hwnd, std::u16string_view title) {
  std::lock_guard lock(mutex_);
  if (!IsLocalHandle(hwnd)) return;
  auto it = windows_.find(HwndSerial(hwnd));
  if (it != windows_.end()) it->second.title = title;
}

std::u16string WindowRegistry::Title(HWND hwnd) const {
  std::lock_guard lock(mutex_);
  if (!IsLocalHandle(hwnd)) return {};
  auto it = windows_.find(HwndSerial(hwnd));
  return it == windows_.end() ? std::u16string() : it->second.title;
}

void WindowRegistry::SetTopLevel(HWND hwnd, bool topLevel) {
  std::lock_guard lock(mutex_);
  if (!IsLocalHandle(hwnd)) return;
  auto it = windows_.find(HwndSerial(hwnd));
  if (it != windows_.end()) it->second.topLevel = topLevel;
}

void WindowRegistry::SetClassName(HWND hwnd, std::u16string_view className) {
  std::lock_guard lock(mutex_);
  if (!IsLocalHandle(hwnd)) return;
  auto it = windows_.find(HwndSerial(hwnd));
  if (it != windows_.end()) it->second.className = className;
}

HWND WindowRegistry::FindTopLevel(std::u16string_view title, std::u16string_view className) const {
  std::lock_guard lock(mutex_);
  for (const auto& [serial, entry] : windows_) {
    if (!entry.topLevel || entry.title != title) continue;
    if (!className.empty() && entry.className != className) continue;
    return MakeHwnd(CurrentProcessTag(), serial);
  }
  return nullptr;
}

std::vector<HWND> WindowRegistry::Children(HWND parent) const {
  std::lock_guard lock(mutex_);
  std::vector<HWND> children;
  for (const auto& [serial, entry] : windows_) {
    if (entry.parent == parent) children.push_back(MakeHwnd(CurrentProcessTag(), serial));
  }
  return children;
}

std::size_t WindowRegistry::Count() const {
  std::lock_guard lock(mutex_);
  return windows_.size();
}

}  // namespace ui::detail
