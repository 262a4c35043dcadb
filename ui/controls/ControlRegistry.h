// Which pointers are live controls, and which paint managers have controls.
// Scripts hand controls and managers back as raw light userdata; checking
// them here turns a stale or foreign pointer into a report instead of a
// crash. Window thread only.
#ifndef VELMORA_UI_CONTROLS_CONTROLREGISTRY_H
#define VELMORA_UI_CONTROLS_CONTROLREGISTRY_H

class CControlUI;
class CPaintManagerUI;

namespace ui {

bool IsLiveControl(const void* pointer);
// A manager is known while at least one live control belongs to it, or when
// it was announced with RememberManager (a window whose layout failed).
bool IsKnownManager(const void* pointer);
void RememberManager(CPaintManagerUI* manager);
void ForgetManager(CPaintManagerUI* manager);

namespace detail {
void RegisterControl(CControlUI* control);
void UnregisterControl(CControlUI* control);
void ManagerAttached(CPaintManagerUI* manager);
void ManagerDetached(CPaintManagerUI* manager);
}  // namespace detail

}  // namespace ui

#endif
