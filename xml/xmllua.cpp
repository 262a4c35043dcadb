// Each function checks its arguments first (the document, then the further
// arguments in order), then makes one engine call and pushes the result.
//
// Lua 5.1 raises errors by longjmp, which must never pass a C++ object that
// needs its destructor. So every lua_CFunction here reads its arguments as
// plain pointers, hands the C++ work to a noexcept helper that finishes and
// destroys all its objects, and only then pushes: a boolean, or a malloc'd
// text freed right after the push.
#include "xml/xmllua.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <string>

#include "base/CodePageText.h"
#include "base/ReportError.h"
#include "xml/CXmlDocument.h"

namespace {

constexpr const char* kStem = "xmllua";

// ---- Arguments ----

struct LuaText {
  const char* data = nullptr;
  size_t size = 0;
};

// A setter's value: text, or (for a number that is not a string) an integer.
struct LuaValue {
  LuaText text;
  bool isNumber = false;
  int number = 0;
};

CXmlDocument* DocumentArg(lua_State* L, int line) {
  if (!lua_islightuserdata(L, 1)) {
    ReportError(kStem, line, "(error) (%s:%d) is not userdata ,can not delete.\n");
    return nullptr;
  }
  auto* doc = static_cast<CXmlDocument*>(lua_touserdata(L, 1));
  if (!doc) ReportError(kStem, line, "(error) (%s:%d) xml ptr is null.\n");
  return doc;
}

const char* TypeName(lua_State* L, int index) { return lua_typename(L, lua_type(L, index)); }

bool TextArg(lua_State* L, int index, int line, const char* report, LuaText& out) {
  if (!lua_isstring(L, index)) {
    ReportError(kStem, line, report, TypeName(L, index));
    return false;
  }
  out.data = lua_tolstring(L, index, &out.size);
  return true;
}

// lua_tonumber truncated toward zero; out-of-range values are clamped, since
// converting them to int would be undefined.
int TruncatedInt(lua_Number number) {
  if (std::isnan(number)) return 0;
  if (number <= static_cast<lua_Number>(std::numeric_limits<int>::min()))
    return std::numeric_limits<int>::min();
  if (number >= static_cast<lua_Number>(std::numeric_limits<int>::max()))
    return std::numeric_limits<int>::max();
  return static_cast<int>(number);
}

bool NumberArg(lua_State* L, int index, int line, const char* report, int& out) {
  if (!lua_isnumber(L, index)) {
    ReportError(kStem, line, report, TypeName(L, index));
    return false;
  }
  out = TruncatedInt(lua_tonumber(L, index));
  return true;
}

bool ValueArg(lua_State* L, int index, int line, const char* report, LuaValue& out) {
  if (lua_isstring(L, index)) {
    out.text.data = lua_tolstring(L, index, &out.text.size);
    return true;
  }
  if (lua_isnumber(L, index)) {
    out.isNumber = true;
    out.number = TruncatedInt(lua_tonumber(L, index));
    return true;
  }
  ReportError(kStem, line, report, TypeName(L, index));
  return false;
}

// ---- C++ work, finished before anything is pushed ----

std::u16string Wide(LuaText text) { return AnsiToUtf16(std::string(text.data, text.size)); }

template <typename Work>
bool RunBool(Work&& work) noexcept {
  try {
    return work();
  } catch (...) {
    return false;  // memory exhaustion: the operation did not happen
  }
}

// The ANSI form of the text `work` returns, in malloc'd memory; null when
// memory ran out.
template <typename Work>
char* RunText(Work&& work) noexcept {
  try {
    std::string narrow = Utf16ToAnsi(work());
    auto* copy = static_cast<char*>(std::malloc(narrow.size() + 1));
    if (copy) std::memcpy(copy, narrow.c_str(), narrow.size() + 1);
    return copy;
  } catch (...) {
    return nullptr;
  }
}

template <typename TextOp, typename NumberOp>
bool ApplyValue(const LuaValue& value, TextOp textOp, NumberOp numberOp) noexcept {
  return RunBool([&] { return value.isNumber ? numberOp(value.number) : textOp(Wide(value.text)); });
}

// ---- Results ----

int PushBool(lua_State* L, bool value) {
  lua_pushboolean(L, value);
  return 1;
}

int PushOwnedText(lua_State* L, char* text) {
  lua_pushstring(L, text ? text : "");
  std::free(text);
  return 1;
}

// ---- The library ----

int xml_new(lua_State* L) {
  CXmlDocument* doc = nullptr;
  try {
    doc = new CXmlDocument();
  } catch (...) {
    doc = nullptr;
  }
  if (doc)
    lua_pushlightuserdata(L, doc);
  else
    lua_pushnil(L);
  return 1;
}

int xml_del(lua_State* L) {
  CXmlDocument* doc = DocumentArg(L, __LINE__);
  if (!doc) return 0;
  delete doc;
  lua_pushnil(L);
  return 1;
}

int xml_setdoc(lua_State* L) {
  CXmlDocument* doc = DocumentArg(L, __LINE__);
  LuaText text;
  if (!doc || !TextArg(L, 2, __LINE__, "(error) (%s:%d) param 2 is not string,type is %s\n", text)) return 0;
  return PushBool(L, RunBool([&] { return doc->SetDoc(Wide(text)); }));
}

int xml_getdoc(lua_State* L) {
  CXmlDocument* doc = DocumentArg(L, __LINE__);
  if (!doc) return 0;
  return PushOwnedText(L, RunText([&] { return doc->GetDoc(); }));
}

int xml_intoElem(lua_State* L) {
  if (CXmlDocument* doc = DocumentArg(L, __LINE__)) doc->IntoElem();
  return 0;
}

int xml_outElem(lua_State* L) {
  if (CXmlDocument* doc = DocumentArg(L, __LINE__)) doc->OutElem();
  return 0;
}

// The functions that take one name and give the engine's verdict.
using NameOp = bool (CXmlDocument::*)(std::u16string_view);

int NameCall(lua_State* L, int line, const char* report, NameOp op) {
  CXmlDocument* doc = DocumentArg(L, line);
  LuaText name;
  if (!doc || !TextArg(L, 2, line, report, name)) return 0;
  return PushBool(L, RunBool([&] { return (doc->*op)(Wide(name)); }));
}

int xml_addElem(lua_State* L) {
  return NameCall(L, __LINE__, "(error) (%s:%d) param 2 is not string,type is %s\n", &CXmlDocument::AddElem);
}

int xml_load(lua_State* L) {
  return NameCall(L, __LINE__, "(error) (%s:%d) filename is not string,type is %s\n", &CXmlDocument::Load);
}

int xml_addChildElem(lua_State* L) {
  return NameCall(L, __LINE__, "(error) (%s:%d) AddChildElem name is not string,type is %s\n",
                  &CXmlDocument::AddChildElem);
}

int xml_findElem(lua_State* L) {
  return NameCall(L, __LINE__, "(error) (%s:%d) FindElem name is not string,type is %s\n",
                  &CXmlDocument::FindElem);
}

int xml_findChildElem(lua_State* L) {
  return NameCall(L, __LINE__, "(error) (%s:%d) FindChildElem name is not string,type is %s\n",
                  &CXmlDocument::FindChildElem);
}

int xml_resetChildPos(lua_State* L) {
  if (CXmlDocument* doc = DocumentArg(L, __LINE__)) doc->ResetChildPos();
  return 0;
}

int xml_resetMainPos(lua_State* L) {
  if (CXmlDocument* doc = DocumentArg(L, __LINE__)) doc->ResetMainPos();
  return 0;
}

int xml_resetPos(lua_State* L) {
  if (CXmlDocument* doc = DocumentArg(L, __LINE__)) doc->ResetPos();
  return 0;
}

using TextRead = std::u16string (CXmlDocument::*)() const;

int TextCall(lua_State* L, int line, TextRead read) {
  CXmlDocument* doc = DocumentArg(L, line);
  if (!doc) return 0;
  return PushOwnedText(L, RunText([&] { return (doc->*read)(); }));
}

int xml_getTagName(lua_State* L) { return TextCall(L, __LINE__, &CXmlDocument::GetTagName); }
int xml_getChildTagName(lua_State* L) { return TextCall(L, __LINE__, &CXmlDocument::GetChildTagName); }
int xml_getData(lua_State* L) { return TextCall(L, __LINE__, &CXmlDocument::GetData); }
int xml_getChildData(lua_State* L) { return TextCall(L, __LINE__, &CXmlDocument::GetChildData); }

using AttribRead = std::u16string (CXmlDocument::*)(std::u16string_view) const;

int AttribCall(lua_State* L, int line, const char* report, AttribRead read) {
  CXmlDocument* doc = DocumentArg(L, line);
  LuaText name;
  if (!doc || !TextArg(L, 2, line, report, name)) return 0;
  return PushOwnedText(L, RunText([&] { return (doc->*read)(Wide(name)); }));
}

int xml_getAttrib(lua_State* L) {
  return AttribCall(L, __LINE__, "(error) (%s:%d) GetAttrib name is not string,type is %s\n",
                    &CXmlDocument::GetAttrib);
}

int xml_getChildAttrib(lua_State* L) {
  return AttribCall(L, __LINE__, "(error) (%s:%d) GetChildAttrib name is not string,type is %s\n",
                    &CXmlDocument::GetChildAttrib);
}

int xml_getAttribName(lua_State* L) {
  CXmlDocument* doc = DocumentArg(L, __LINE__);
  int index = 0;
  if (!doc || !NumberArg(L, 2, __LINE__, "(error) (%s:%d) GetAttribName index is not number,type is %s\n",
                         index))
    return 0;
  return PushOwnedText(L, RunText([&] { return doc->GetAttribName(index); }));
}

int xml_save(lua_State* L) {
  return NameCall(L, __LINE__, "(error) (%s:%d) Save filename is not string,type is %s\n", &CXmlDocument::Save);
}

int xml_insertElem(lua_State* L) {
  return NameCall(L, __LINE__, "(error) (%s:%d) InsertElem name is not string,type is %s\n",
                  &CXmlDocument::InsertElem);
}

int xml_insertChildElem(lua_State* L) {
  return NameCall(L, __LINE__, "(error) (%s:%d) InsertChildElem name is not string,type is %s\n",
                  &CXmlDocument::InsertChildElem);
}

using AttribTextOp = bool (CXmlDocument::*)(std::u16string_view, std::u16string_view);
using AttribNumberOp = bool (CXmlDocument::*)(std::u16string_view, int);

int AttribSetCall(lua_State* L, int line, const char* nameReport, const char* valueReport,
                  AttribTextOp textOp, AttribNumberOp numberOp) {
  CXmlDocument* doc = DocumentArg(L, line);
  LuaText name;
  LuaValue value;
  if (!doc || !TextArg(L, 2, line, nameReport, name) || !ValueArg(L, 3, line, valueReport, value)) return 0;
  return PushBool(L, RunBool([&] {
    std::u16string wideName = Wide(name);
    return value.isNumber ? (doc->*numberOp)(wideName, value.number)
                          : (doc->*textOp)(wideName, Wide(value.text));
  }));
}

int xml_addAttrib(lua_State* L) {
  return AttribSetCall(L, __LINE__, "(error) (%s:%d) AddAttrib Attrib is not string,type is %s\n",
                       "(error) (%s:%d) AddAttrib value is not string or number,type is %s\n",
                       &CXmlDocument::AddAttrib, &CXmlDocument::AddAttrib);
}

int xml_removeElem(lua_State* L) {
  CXmlDocument* doc = DocumentArg(L, __LINE__);
  if (!doc) return 0;
  return PushBool(L, RunBool([&] { return doc->RemoveElem(); }));
}

int xml_removeChildElem(lua_State* L) {
  CXmlDocument* doc = DocumentArg(L, __LINE__);
  if (!doc) return 0;
  return PushBool(L, RunBool([&] { return doc->RemoveChildElem(); }));
}

int xml_setAttrib(lua_State* L) {
  return AttribSetCall(L, __LINE__, "(error) (%s:%d) SetAttrib Attrib is not string,type is %s\n",
                       "(error) (%s:%d) SetAttrib value is not string or number,type is %s\n",
                       &CXmlDocument::SetAttrib, &CXmlDocument::SetAttrib);
}

int xml_setChildAttrib(lua_State* L) {
  return AttribSetCall(L, __LINE__, "(error) (%s:%d) SetChildAttrib Attrib is not string,type is %s\n",
                       "(error) (%s:%d) SetChildAttrib value is not string or number,type is %s\n",
                       &CXmlDocument::SetChildAttrib, &CXmlDocument::SetChildAttrib);
}

using DataTextOp = bool (CXmlDocument::*)(std::u16string_view);
using DataNumberOp = bool (CXmlDocument::*)(int);

int DataSetCall(lua_State* L, int line, const char* report, DataTextOp textOp, DataNumberOp numberOp) {
  CXmlDocument* doc = DocumentArg(L, line);
  LuaValue value;
  if (!doc || !ValueArg(L, 2, line, report, value)) return 0;
  return PushBool(L, ApplyValue(
                         value, [&](std::u16string_view text) { return (doc->*textOp)(text); },
                         [&](int number) { return (doc->*numberOp)(number); }));
}

int xml_setData(lua_State* L) {
  return DataSetCall(L, __LINE__, "(error) (%s:%d) SetData value is not string or number,type is %s\n",
                     &CXmlDocument::SetData, &CXmlDocument::SetData);
}

int xml_setChildData(lua_State* L) {
  return DataSetCall(L, __LINE__, "(error) (%s:%d) SetChildData value is not string or number,type is %s\n",
                     &CXmlDocument::SetChildData, &CXmlDocument::SetChildData);
}

// The documented order; the host registers them as globals in this order.
constexpr luaL_Reg kXmlFunctions[] = {
    {"xml_new", xml_new},
    {"xml_del", xml_del},
    {"xml_setdoc", xml_setdoc},
    {"xml_getdoc", xml_getdoc},
    {"xml_intoElem", xml_intoElem},
    {"xml_outElem", xml_outElem},
    {"xml_addElem", xml_addElem},
    {"xml_load", xml_load},
    {"xml_addChildElem", xml_addChildElem},
    {"xml_findElem", xml_findElem},
    {"xml_findChildElem", xml_findChildElem},
    {"xml_resetChildPos", xml_resetChildPos},
    {"xml_resetMainPos", xml_resetMainPos},
    {"xml_resetPos", xml_resetPos},
    {"xml_getTagName", xml_getTagName},
    {"xml_getChildTagName", xml_getChildTagName},
    {"xml_getData", xml_getData},
    {"xml_getChildData", xml_getChildData},
    {"xml_getAttrib", xml_getAttrib},
    {"xml_getChildAttrib", xml_getChildAttrib},
    {"xml_getAttribName", xml_getAttribName},
    {"xml_save", xml_save},
    {"xml_insertElem", xml_insertElem},
    {"xml_insertChildElem", xml_insertChildElem},
    {"xml_addAttrib", xml_addAttrib},
    {"xml_removeElem", xml_removeElem},
    {"xml_removeChildElem", xml_removeChildElem},
    {"xml_setAttrib", xml_setAttrib},
    {"xml_setChildAttrib", xml_setChildAttrib},
    {"xml_setData", xml_setData},
    {"xml_setChildData", xml_setChildData},
};

}  // namespace

void RegisterXmlLuaLibrary(lua_State* L) {
  for (const auto& function : kXmlFunctions) lua_register(L, function.name, function.func);
}
