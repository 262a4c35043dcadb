// What the four sqlite_* script families share: handle and argument checks
// in the library's report convention, and the guard that keeps wrapper
// exceptions out of the interpreter.
//
// The interpreter is the C build of Lua 5.1, whose errors longjmp. So the
// wrapper runs inside RunGuarded, which returns a failure message as a plain
// sqlite3_mprintf buffer; the calling lua_CFunction, whose frame holds no
// object with a destructor, pushes (or raises) that message afterwards.
#ifndef VELMORA_DB_SQLITESCRIPTSUPPORT_H
#define VELMORA_DB_SQLITESCRIPTSUPPORT_H

#include <lua.hpp>

#include <climits>
#include <exception>
#include <type_traits>

#include "db/SqliteException.h"

namespace sqlitescript {

// A copy of `text` to be handed to one of the Push/Raise functions below.
char* CopyMessage(const char* text) noexcept;

// Runs `work`; null when it finished, else the failure's message.
template <class Work>
char* RunGuarded(Work&& work) noexcept {
  try {
    work();
    return nullptr;
  } catch (const SqliteException& error) {
    return CopyMessage(error.message());
  } catch (const std::exception& error) {
    return CopyMessage(error.what());
  } catch (...) {
    return CopyMessage("unexpected failure");
  }
}

// Each pushes `message` as a string and frees it.
int PushMessage(lua_State* L, char* message);         // one result: msg
int PushNilAndMessage(lua_State* L, char* message);   // two results: nil, msg
int RaiseMessage(lua_State* L, char* message);        // a Lua error carrying msg

// How a family function answers a wrapper failure: the three functions above.
enum class OnFailure { Message, NilAndMessage, Raise };
int AnswerFailure(lua_State* L, char* message, OnFailure how);

// The shape of most family functions: runs `work` guarded, then pushes its
// result with `push` (one result), or answers the failure as `how` says.
// The result is held in this frame, which Lua may longjmp over, so it must
// have no destructor.
template <class Work, class Push>
int ReturnGuarded(lua_State* L, OnFailure how, Work&& work, Push push) {
  using Result = decltype(work());
  static_assert(std::is_trivially_destructible_v<Result>, "a longjmp would skip its destructor");
  Result value{};
  if (char* failure = RunGuarded([&] { value = work(); })) return AnswerFailure(L, failure, how);
  push(L, value);
  return 1;
}

// For work without a result: answers the failure as `how` says, else
// returns `results` (values the caller left on the stack).
template <class Work>
int RunGuardedThen(lua_State* L, OnFailure how, Work&& work, int results = 0) {
  if (char* failure = RunGuarded(work)) return AnswerFailure(L, failure, how);
  return results;
}

// Reports why argument 1 is no usable handle; returns null.
void* ReportBadHandle(lua_State* L, const char* stem, int line);

// Argument 1: light userdata, not null. Reports and returns null otherwise.
// Inline: every call of every function passes through here.
inline void* HandleArgument(lua_State* L, const char* stem, int line) {
  if (lua_type(L, 1) == LUA_TLIGHTUSERDATA) {
    if (void* handle = lua_touserdata(L, 1)) return handle;
  }
  return ReportBadHandle(L, stem, line);
}
template <class T>
T* Handle(lua_State* L, const char* stem, int line) {
  return static_cast<T*>(HandleArgument(L, stem, line));
}

// Each reports `format` (which takes the stem, the line and the argument's
// type name) and returns false when the argument does not qualify.
bool CheckString(lua_State* L, int index, const char* stem, int line, const char* format);
bool CheckNumber(lua_State* L, int index, const char* stem, int line, const char* format);
bool CheckLightUserdata(lua_State* L, int index, const char* stem, int line, const char* format);

// A number (tried first) selects a column by index, any other string by name.
struct FieldArgument {
  const char* name = nullptr;  // null when selected by index
  int index = 0;
};
// lua_tonumber truncated toward zero; values outside 32 bits (and NaN) become
// INT_MIN, which every index, row and parameter check refuses.
inline int IntegerArgument(lua_State* L, int index) {
  double value = lua_tonumber(L, index);
  // Inside these bounds the conversion truncates toward zero; outside them
  // (and for NaN) it would be undefined.
  if (!(value > -2147483649.0 && value < 2147483648.0)) return INT_MIN;
  return static_cast<int>(value);
}

// Numeric strings, names, and the report when the argument is neither.
bool ReadFieldOtherwise(lua_State* L, int index, FieldArgument& field, const char* stem, int line,
                        const char* format);

// Plain numbers first, inline: this sits in every getter of every row.
inline bool ReadField(lua_State* L, int index, FieldArgument& field, const char* stem, int line,
                      const char* format) {
  if (lua_type(L, index) != LUA_TNUMBER) return ReadFieldOtherwise(L, index, field, stem, line, format);
  field.name = nullptr;
  field.index = IntegerArgument(L, index);
  return true;
}

void ReportNullPointer(const char* stem, int line);

// Sets each (name, function) pair as a global, in order.
void RegisterGlobals(lua_State* L, const luaL_Reg* functions);

}  // namespace sqlitescript

#endif
