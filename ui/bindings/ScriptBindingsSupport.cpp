#include "ui/bindings/ScriptBindingsSupport.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "base/CodePageText.h"
#include "base/ReportError.h"
#include "ui/controls/CControlUI.h"
#include "ui/controls/ControlRegistry.h"
#include "ui/window/WindowApi.h"

namespace uiscript {

namespace {

const char* TypeName(lua_State* L, int index) { return lua_typename(L, lua_type(L, index)); }

int Truncated(lua_Number number) {
  if (std::isnan(number)) return 0;
  if (number <= static_cast<lua_Number>(std::numeric_limits<int>::min())) return std::numeric_limits<int>::min();
  if (number >= static_cast<lua_Number>(std::numeric_limits<int>::max())) return std::numeric_limits<int>::max();
  return static_cast<int>(number);
}

}  // namespace

void* PointerArg(lua_State* L, int index, const char* stem, int line) {
  if (lua_type(L, index) != LUA_TLIGHTUSERDATA) {
    ReportError(stem, line, "(error) (%s:%d)  param %d is not userdata ,type is %s\n", index, TypeName(L, index));
    return nullptr;
  }
  void* pointer = lua_touserdata(L, index);
  if (!pointer) ReportError(stem, line, "(error) (%s:%d)  param %d is null pointer\n", index);
  return pointer;
}

CControlUI* ControlArg(lua_State* L, int index, const char* stem, int line) {
  void* pointer = PointerArg(L, index, stem, line);
  if (!pointer) return nullptr;
  if (!ui::IsLiveControl(pointer)) {
    ReportError(stem, line, "(error) (%s:%d)  param %d is not a control\n", index);
    return nullptr;
  }
  return static_cast<CControlUI*>(pointer);
}

void ReportKind(const char* stem, int line, int index, const CControlUI* control, const char* kind) {
  std::string cls = Utf16ToAnsi(control->GetClass());
  ReportError(stem, line, "(error) (%s:%d)  param %d is %s, not a %s\n", index, cls.c_str(), kind);
}

CPaintManagerUI* ManagerArg(lua_State* L, int index, const char* stem, int line) {
  void* pointer = PointerArg(L, index, stem, line);
  if (!pointer) return nullptr;
  if (!ui::IsKnownManager(pointer)) {
    ReportError(stem, line, "(error) (%s:%d)  param %d is not a paint manager\n", index);
    return nullptr;
  }
  return static_cast<CPaintManagerUI*>(pointer);
}

TNotifyUI* NotifyArg(lua_State* L, int index, const char* stem, int line) {
  return static_cast<TNotifyUI*>(PointerArg(L, index, stem, line));
}

HWND WindowArg(lua_State* L, int index, const char* stem, int line) {
  void* pointer = PointerArg(L, index, stem, line);
  if (!pointer) return nullptr;
  HWND hwnd = static_cast<HWND>(pointer);
  if (!IsWindow(hwnd)) {
    ReportError(stem, line, "(error) (%s:%d)  param %d is not a window\n", index);
    return nullptr;
  }
  return hwnd;
}

bool TextArg(lua_State* L, int index, const char* stem, int line, Text& out) {
  if (!lua_isstring(L, index)) {
    ReportError(stem, line, "(error) (%s:%d)  param %d is not string ,type is %s\n", index, TypeName(L, index));
    return false;
  }
  out.data = lua_tolstring(L, index, &out.size);
  return true;
}

bool IntArg(lua_State* L, int index, const char* stem, int line, int& out) {
  if (!lua_isnumber(L, index)) {
    ReportError(stem, line, "(error) (%s:%d)  param %d is not number ,type is %s\n", index, TypeName(L, index));
    return false;
  }
  out = Truncated(lua_tonumber(L, index));
  return true;
}

bool BoolArg(lua_State* L, int index, const char* stem, int line, bool& out, bool optional, bool fallback) {
  const int type = lua_type(L, index);
  if (type == LUA_TBOOLEAN) {
    out = lua_toboolean(L, index) != 0;
    return true;
  }
  if (type == LUA_TNUMBER) {
    out = lua_tonumber(L, index) != 0;
    return true;
  }
  if (optional && type <= LUA_TNIL) {
    out = fallback;
    return true;
  }
  ReportError(stem, line, "(error) (%s:%d)  param %d is not boolean ,type is %s\n", index, TypeName(L, index));
  return false;
}

bool WordArg(lua_State* L, int index, const char* stem, int line, std::intptr_t& out) {
  const int type = lua_type(L, index);
  if (type <= LUA_TNIL) {
    out = 0;
    return true;
  }
  if (type == LUA_TLIGHTUSERDATA) {
    out = reinterpret_cast<std::intptr_t>(lua_touserdata(L, index));
    return true;
  }
  if (lua_isnumber(L, index)) {
    // Out-of-range doubles would make the conversion undefined: clamp.
    const lua_Number n = lua_tonumber(L, index);
    constexpr auto kLow = std::numeric_limits<std::intptr_t>::min();
    constexpr auto kHigh = std::numeric_limits<std::intptr_t>::max();
    if (std::isnan(n))
      out = 0;
    else if (n <= static_cast<lua_Number>(kLow))
      out = kLow;
    else if (n >= static_cast<lua_Number>(kHigh))
      out = kHigh;
    else
      out = static_cast<std::intptr_t>(n);
    return true;
  }
  ReportError(stem, line, "(error) (%s:%d)  param %d is not number ,type is %s\n", index, TypeName(L, index));
  return false;
}

std::u16string Wide(Text text) { return AnsiToUtf16(std::string(text.data, text.size)); }

char* AnsiCopy(const std::u16string& wide) noexcept {
  try {
    std::string narrow = Utf16ToAnsi(wide);
    auto* copy = static_cast<char*>(std::malloc(narrow.size() + 1));
    if (copy) std::memcpy(copy, narrow.c_str(), narrow.size() + 1);
    return copy;
  } catch (...) {
    return nullptr;
  }
}

int PushOwned(lua_State* L, char* text) {
  if (!text) {
    lua_pushnil(L);
    return 1;
  }
  lua_pushstring(L, text);
  std::free(text);
  return 1;
}

}  // namespace uiscript
