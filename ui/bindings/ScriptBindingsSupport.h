// Argument checks and result pushing shared by the ui_* functions.
//
// Lua 5.1 raises errors by longjmp, so a binding's own frame holds nothing
// with a destructor: arguments are read as plain values, the C++ work runs
// inside Guard (which finishes and destroys its objects, and catches what
// it throws), and only then are results pushed.
#ifndef VELMORA_UI_BINDINGS_SCRIPTBINDINGSSUPPORT_H
#define VELMORA_UI_BINDINGS_SCRIPTBINDINGSSUPPORT_H

#include <cstdlib>
#include <string>

#include <lua.hpp>

#include "ui/UIDefs.h"

class CControlUI;
class CPaintManagerUI;
struct TNotifyUI;

namespace uiscript {

struct Text {
  const char* data = nullptr;
  size_t size = 0;
};

// Each reports the failed check (with the binding's stem and line) and
// returns null / false.
void* PointerArg(lua_State* L, int index, const char* stem, int line);
CControlUI* ControlArg(lua_State* L, int index, const char* stem, int line);
// A control of the wanted kind, or null with a report naming its class.
template <typename T>
T* KindArg(lua_State* L, int index, const char* stem, int line, const char* kind);
CPaintManagerUI* ManagerArg(lua_State* L, int index, const char* stem, int line);
TNotifyUI* NotifyArg(lua_State* L, int index, const char* stem, int line);
HWND WindowArg(lua_State* L, int index, const char* stem, int line);
bool TextArg(lua_State* L, int index, const char* stem, int line, Text& out);
bool IntArg(lua_State* L, int index, const char* stem, int line, int& out);
// A boolean, or a number (0 is false); nil counts as `fallback` when the
// argument is optional.
bool BoolArg(lua_State* L, int index, const char* stem, int line, bool& out, bool optional = false,
             bool fallback = false);
// wParam/lParam: a number, light userdata or nil (0).
bool WordArg(lua_State* L, int index, const char* stem, int line, std::intptr_t& out);

void ReportKind(const char* stem, int line, int index, const CControlUI* control, const char* kind);

std::u16string Wide(Text text);
// malloc'd ANSI copy of `wide` (null when memory ran out).
char* AnsiCopy(const std::u16string& wide) noexcept;
// Pushes and frees a malloc'd text (nil for null).
int PushOwned(lua_State* L, char* text);

template <typename Work>
auto Guard(Work&& work, decltype(work()) failed) noexcept -> decltype(work()) {
  try {
    return work();
  } catch (...) {
    return failed;
  }
}

}  // namespace uiscript

template <typename T>
T* uiscript::KindArg(lua_State* L, int index, const char* stem, int line, const char* kind) {
  CControlUI* control = ControlArg(L, index, stem, line);
  if (!control) return nullptr;
  T* typed = dynamic_cast<T*>(control);
  if (!typed) ReportKind(stem, line, index, control, kind);
  return typed;
}

#endif
