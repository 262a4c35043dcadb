#include "ui/controls/ControlRegistry.h"

#include <unordered_map>
#include <unordered_set>

namespace ui {

namespace {

std::unordered_set<const void*>& Controls() {
  static std::unordered_set<const void*> controls;
  return controls;
}

// Control count per manager; announced managers hold one extra count.
std::unordered_map<const void*, int>& Managers() {
  static std::unordered_map<const void*, int> managers;
  return managers;
}

}  // namespace

bool IsLiveControl(const void* pointer) { return pointer && Controls().count(pointer) != 0; }

bool IsKnownManager(const void* pointer) { return pointer && Managers().count(pointer) != 0; }

void RememberManager(CPaintManagerUI* manager) {
  if (manager) detail::ManagerAttached(manager);
}

void ForgetManager(CPaintManagerUI* manager) {
  if (manager) detail::ManagerDetached(manager);
}

namespace detail {

void RegisterControl(CControlUI* control) { Controls().insert(control); }
void UnregisterControl(CControlUI* control) { Controls().erase(control); }

void ManagerAttached(CPaintManagerUI* manager) { ++Managers()[manager]; }

void ManagerDetached(CPaintManagerUI* manager) {
  auto it = Managers().find(manager);
  if (it != Managers().end() && --it->second <= 0) Managers().erase(it);
}

}  // namespace detail

}  // namespace ui
