// Conventions of the native libraries: arguments are checked first; a bad
// one is reported to the diagnostic hook and the function gives nothing; a
// failure gives nil and a message. Texts cross in the ANSI code page.
// No exception leaves a function: engine calls run inside Guarded.
#include "dl/DownloadScriptLibrary.h"

#include <cctype>
#include <cmath>
#include <optional>
#include <vector>
#include <new>
#include <string>

#include "dl/DownloadEngine.h"
#include "dl/DownloadNotifier.h"
#include "dl/FileNaming.h"
#include "net/HttpGet.h"
#include "dl/TaskHeaders.h"
#include "net/WProxySettings.h"
#include "base/CodePageText.h"
#include "platform/Path.h"
#include "base/ReportError.h"

namespace {

constexpr const char* kStem = "DownloadScriptLibrary";
constexpr const char* kEngineKey = "velmora.dl.engine";

DownloadEngine* EngineOf(lua_State* L) { return static_cast<DownloadEngine*>(lua_touserdata(L, lua_upvalueindex(1))); }

std::string Utf8FromAnsi(const std::string& ansi) { return Utf16ToUtf8(AnsiToUtf16(ansi)); }
std::string AnsiFromUtf8(const std::string& utf8) { return Utf16ToAnsi(platform::WidePathFromNative(utf8)); }

void PushAnsi(lua_State* L, const std::string& utf8) {
  std::string ansi = AnsiFromUtf8(utf8);
  lua_pushlstring(L, ansi.data(), ansi.size());
}

std::string StringArg(lua_State* L, int index) {
  size_t size = 0;
  const char* text = lua_tolstring(L, index, &size);
  return text ? std::string(text, size) : std::string();
}

bool CheckString(lua_State* L, int index, const char* function) {
  if (lua_type(L, index) == LUA_TSTRING) return true;
  ReportError(kStem, __LINE__, "(error) (%s:%d) %s: argument %d is not a string, type is %s\n", function, index,
              lua_typename(L, lua_type(L, index)));
  return false;
}

// A whole number within [low, high].
bool CheckInteger(lua_State* L, int index, const char* function, double low, double high, int64_t& out) {
  double value = lua_type(L, index) == LUA_TNUMBER ? lua_tonumber(L, index) : NAN;
  if (std::isfinite(value) && value == std::floor(value) && value >= low && value <= high) {
    out = static_cast<int64_t>(value);
    return true;
  }
  ReportError(kStem, __LINE__, "(error) (%s:%d) %s: argument %d must be a whole number from %.0f to %.0f\n",
              function, index, low, high);
  return false;
}

int NilAndMessage(lua_State* L, const std::string& message) {
  lua_pushnil(L);
  PushAnsi(L, message);
  return 2;
}

// nil, the message and the cause's stable name.
int NilMessageAndCause(lua_State* L, const Failure& failure) {
  NilAndMessage(L, failure.message);
  lua_pushstring(L, FailureCauseName(failure.cause));
  return 3;
}

int True(lua_State* L) {
  lua_pushboolean(L, 1);
  return 1;
}

// Runs `work`; false with `error` set when it threw.
template <class Work>
bool Guarded(std::string& error, Work&& work) noexcept {
  try {
    return work();
  } catch (const std::exception& failure) {
    error = failure.what();
  } catch (...) {
    error = "unexpected failure";
  }
  return false;
}

const double kMaxId = 9007199254740992.0;  // 2^53: every id a Lua number holds exactly

// A table of name -> value, or an array of "Name: value" lines. Wrong types
// are reported; a line without a colon is a `problem` for the caller.
bool ReadTaskHeaders(lua_State* L, int index, HeaderList& headers, std::string& problem) {
  if (lua_type(L, index) != LUA_TTABLE) {
    ReportError(kStem, __LINE__, "(error) (%s:%d) dl_add(headers): must be a table, type is %s\n",
                lua_typename(L, lua_type(L, index)));
    return false;
  }
  for (lua_pushnil(L); lua_next(L, index); lua_pop(L, 1)) {
    if (lua_type(L, -1) != LUA_TSTRING || (lua_type(L, -2) != LUA_TSTRING && lua_type(L, -2) != LUA_TNUMBER)) {
      lua_pop(L, 2);
      ReportError(kStem, __LINE__, "(error) (%s:%d) dl_add(headers): names and values must be strings\n");
      return false;
    }
    std::string value = Utf8FromAnsi(StringArg(L, -1));
    if (lua_type(L, -2) == LUA_TNUMBER) {
      std::pair<std::string, std::string> header;
      if (problem.empty() && SplitHeaderLine(value, header, problem)) headers.push_back(std::move(header));
      continue;
    }
    lua_pushvalue(L, -2);  // lua_tolstring on the key itself would confuse lua_next
    headers.emplace_back(StringArg(L, -1), std::move(value));
    lua_pop(L, 1);
  }
  return true;
}

bool ReadOptions(lua_State* L, int index, TaskOptions& options, std::string& problem) {
  if (lua_isnoneornil(L, index)) return true;
  if (lua_type(L, index) != LUA_TTABLE) {
    ReportError(kStem, __LINE__, "(error) (%s:%d) dl_add: options must be a table, type is %s\n",
                lua_typename(L, lua_type(L, index)));
    return false;
  }
  bool ok = true;
  lua_getfield(L, index, "name");
  if (!lua_isnil(L, -1) && (ok = CheckString(L, lua_gettop(L), "dl_add(name)"))) options.name = Utf8FromAnsi(StringArg(L, -1));
  lua_getfield(L, index, "limit");
  if (ok && !lua_isnil(L, -1)) ok = CheckInteger(L, lua_gettop(L), "dl_add(limit)", 0, 1e15, options.limit);
  lua_getfield(L, index, "sha256");
  if (ok && !lua_isnil(L, -1) && (ok = CheckString(L, lua_gettop(L), "dl_add(sha256)"))) options.sha256 = StringArg(L, -1);
  lua_getfield(L, index, "checksum");
  if (ok && !lua_isnil(L, -1) && (ok = CheckString(L, lua_gettop(L), "dl_add(checksum)"))) options.checksum = StringArg(L, -1);
  lua_getfield(L, index, "acceptWebPage");
  if (ok && !lua_isnil(L, -1)) options.acceptWebPage = lua_toboolean(L, -1);
  lua_getfield(L, index, "start");
  if (ok && !lua_isnil(L, -1)) options.start = lua_toboolean(L, -1);
  lua_getfield(L, index, "headers");
  if (ok && !lua_isnil(L, -1)) ok = ReadTaskHeaders(L, lua_gettop(L), options.headers, problem);
  lua_getfield(L, index, "connections");
  int64_t connections = 0;
  if (ok && !lua_isnil(L, -1))
    ok = CheckInteger(L, lua_gettop(L), "dl_add(connections)", DownloadEngine::kMinConnections,
                      DownloadEngine::kMaxConnections, connections);
  options.connections = static_cast<int>(connections);
  lua_getfield(L, index, "variant");
  if (ok && !lua_isnil(L, -1) && (ok = CheckString(L, lua_gettop(L), "dl_add(variant)"))) options.variant = StringArg(L, -1);
  lua_getfield(L, index, "container");
  if (ok && !lua_isnil(L, -1) && (ok = CheckString(L, lua_gettop(L), "dl_add(container)")))
    options.container = StringArg(L, -1);
  lua_pop(L, 10);  // one per getfield above
  return ok;
}

int dl_add(lua_State* L) {
  if (!CheckString(L, 1, "dl_add") || !CheckString(L, 2, "dl_add")) return 0;
  TaskOptions options;
  std::string problem;
  if (!ReadOptions(L, 3, options, problem)) return 0;
  if (!problem.empty()) return NilAndMessage(L, problem);
  std::string url = Utf8FromAnsi(StringArg(L, 1));
  std::string folder = platform::NativePathFromAnsi(StringArg(L, 2));
  std::string error;
  int64_t id = 0;
  if (!Guarded(error, [&] { return (id = EngineOf(L)->Add(url, folder, options, error)) != 0; }))
    return NilAndMessage(L, error);
  lua_pushnumber(L, static_cast<lua_Number>(id));
  return 1;
}

template <bool (DownloadEngine::*Operation)(int64_t, std::string&)>
int IdOperation(lua_State* L, const char* name) {
  int64_t id = 0;
  if (!CheckInteger(L, 1, name, 1, kMaxId, id)) return 0;
  std::string error;
  if (!Guarded(error, [&] { return (EngineOf(L)->*Operation)(id, error); })) return NilAndMessage(L, error);
  return True(L);
}

int dl_start(lua_State* L) { return IdOperation<&DownloadEngine::Start>(L, "dl_start"); }
int dl_pause(lua_State* L) { return IdOperation<&DownloadEngine::Pause>(L, "dl_pause"); }

int dl_remove(lua_State* L) {
  int64_t id = 0;
  if (!CheckInteger(L, 1, "dl_remove", 1, kMaxId, id)) return 0;
  bool deleteFiles = lua_toboolean(L, 2);
  std::string error;
  if (!Guarded(error, [&] { return EngineOf(L)->Remove(id, deleteFiles, error); })) return NilAndMessage(L, error);
  return True(L);
}

int dl_setUrl(lua_State* L) {
  int64_t id = 0;
  if (!CheckInteger(L, 1, "dl_setUrl", 1, kMaxId, id) || !CheckString(L, 2, "dl_setUrl")) return 0;
  std::string url = Utf8FromAnsi(StringArg(L, 2));
  Failure failure;
  std::string error;
  if (!Guarded(error, [&] { return EngineOf(L)->SetUrl(id, url, failure); }))
    return NilMessageAndCause(L, failure ? failure : Failure{FailureCause::Internal, error});
  return True(L);
}

int dl_restart(lua_State* L) {
  int64_t id = 0;
  if (!CheckInteger(L, 1, "dl_restart", 1, kMaxId, id)) return 0;
  bool acceptWebPage = false;
  if (!lua_isnoneornil(L, 2)) {
    if (lua_type(L, 2) != LUA_TTABLE) {
      ReportError(kStem, __LINE__, "(error) (%s:%d) dl_restart: options must be a table, type is %s\n",
                  lua_typename(L, lua_type(L, 2)));
      return 0;
    }
    lua_getfield(L, 2, "acceptWebPage");
    acceptWebPage = lua_toboolean(L, -1);
    lua_pop(L, 1);
  }
  Failure failure;
  std::string error;
  if (!Guarded(error, [&] { return EngineOf(L)->Restart(id, acceptWebPage, failure); }))
    return NilMessageAndCause(L, failure ? failure : Failure{FailureCause::Internal, error});
  return True(L);
}

void SetNumber(lua_State* L, const char* key, int64_t value) {
  lua_pushnumber(L, static_cast<lua_Number>(value));
  lua_setfield(L, -2, key);
}

void SetText(lua_State* L, const char* key, const std::string& utf8) {
  PushAnsi(L, utf8);
  lua_setfield(L, -2, key);
}

void PushStreamFacts(lua_State* L, const StreamFacts& f) {
  SetNumber(L, "segmentsDone", f.segmentsDone);
  SetNumber(L, "segmentsTotal", f.segmentsTotal);
  if (!f.variant.empty()) SetText(L, "variant", f.variant);
  if (!f.container.empty()) SetText(L, "container", f.container);
  if (!f.containerNote.empty()) SetText(L, "containerNote", f.containerNote);
  lua_pushboolean(L, f.recording);
  lua_setfield(L, -2, "recording");
}

void PushSnapshot(lua_State* L, const TaskSnapshot& s) {
  lua_createtable(L, 0, 20);
  SetNumber(L, "id", s.id);
  SetText(L, "url", s.url);
  if (!s.finalUrl.empty()) SetText(L, "finalUrl", s.finalUrl);
  lua_pushstring(L, TaskStateName(s.state));
  lua_setfield(L, -2, "state");
  SetText(L, "name", s.name);
  SetText(L, "file", s.file);
  SetNumber(L, "done", s.done);
  SetNumber(L, "total", s.total);
  SetNumber(L, "speed", s.speed);
  SetNumber(L, "eta", s.eta);
  if (s.state == TaskState::Failed) {
    SetText(L, "cause", FailureCauseName(s.cause));
    SetNumber(L, "code", s.code);
    if (s.httpStatus != 0) SetNumber(L, "httpStatus", s.httpStatus);
    SetText(L, "error", s.error);
  }
  SetNumber(L, "added", s.added);
  SetNumber(L, "finished", s.finished);
  SetNumber(L, "connections", s.connections);
  SetNumber(L, "limit", s.limit);
  if (s.retryAt > 0) SetNumber(L, "retryAt", s.retryAt);
  if (!s.checksumAlgorithm.empty()) {
    SetText(L, "checksumAlgorithm", s.checksumAlgorithm);
    SetText(L, "checksumSource", s.checksumSource);
  }
  SetText(L, "checksumState", s.checksumState);
  lua_pushstring(L, s.stream ? "stream" : "file");
  lua_setfield(L, -2, "kind");
  if (s.stream) PushStreamFacts(L, *s.stream);
}

int dl_info(lua_State* L) {
  int64_t id = 0;
  if (!CheckInteger(L, 1, "dl_info", 1, kMaxId, id)) return 0;
  std::optional<TaskSnapshot> snapshot;
  std::string error;
  if (!Guarded(error, [&] { return (snapshot = EngineOf(L)->Info(id)).has_value(); }))
    return NilAndMessage(L, error.empty() ? "no task " + std::to_string(id) : error);
  PushSnapshot(L, *snapshot);
  return 1;
}

// The name the engine will start from, so that a list shows what the file
// will be called before the server has answered.
int dl_suggestName(lua_State* L) {
  if (!CheckString(L, 1, "dl_suggestName")) return 0;
  if (!lua_isnoneornil(L, 2) && !CheckString(L, 2, "dl_suggestName")) return 0;
  const std::string wanted = lua_isnoneornil(L, 2) ? std::string() : Utf8FromAnsi(StringArg(L, 2));
  PushAnsi(L, SafeFileName(wanted.empty() ? FileNameFromUrl(Utf8FromAnsi(StringArg(L, 1))) : wanted));
  return 1;
}

int dl_list(lua_State* L) {
  std::vector<int64_t> ids;
  std::string error;
  if (!Guarded(error, [&] { return ids = EngineOf(L)->List(), true; })) return NilAndMessage(L, error);
  lua_createtable(L, static_cast<int>(ids.size()), 0);
  for (size_t i = 0; i < ids.size(); ++i) {
    lua_pushnumber(L, static_cast<lua_Number>(ids[i]));
    lua_rawseti(L, -2, static_cast<int>(i + 1));
  }
  return 1;
}

int dl_setMaxActive(lua_State* L) {
  int64_t count = 0;
  if (!CheckInteger(L, 1, "dl_setMaxActive", DownloadEngine::kMinActive, DownloadEngine::kMaxActive, count)) return 0;
  std::string error;
  if (!Guarded(error, [&] { return EngineOf(L)->SetMaxActive(static_cast<int>(count)); })) return NilAndMessage(L, error);
  return True(L);
}

int dl_setLimit(lua_State* L) {
  int64_t rate = 0;
  if (!CheckInteger(L, 1, "dl_setLimit", 0, 1e15, rate)) return 0;
  EngineOf(L)->SetLimit(rate);
  return True(L);
}

// dl_setTaskLimit(id, bytesPerSecond) -> true, or nil, a message and the
// cause: the task's own limit, applied at once when it runs; 0 lifts it.
int dl_setTaskLimit(lua_State* L) {
  int64_t id = 0;
  if (!CheckInteger(L, 1, "dl_setTaskLimit", 1, kMaxId, id)) return 0;
  double rate = lua_type(L, 2) == LUA_TNUMBER ? lua_tonumber(L, 2) : NAN;
  if (!std::isfinite(rate) || rate != std::floor(rate) || rate < 0 || rate > 1e15)
    return NilMessageAndCause(
        L, {FailureCause::BadInput, "the limit must be a whole number of bytes per second from 0 (none) to 1e15"});
  Failure failure;
  std::string error;
  if (!Guarded(error, [&] { return EngineOf(L)->SetTaskLimit(id, static_cast<int64_t>(rate), failure); }))
    return NilMessageAndCause(L, failure ? failure : Failure{FailureCause::Internal, error});
  return True(L);
}

int dl_setStallTimeout(lua_State* L) {
  int64_t seconds = 0;
  if (!CheckInteger(L, 1, "dl_setStallTimeout", 1, 3600, seconds)) return 0;
  EngineOf(L)->SetStallTimeout(static_cast<int>(seconds));
  return True(L);
}

int dl_setConnections(lua_State* L) {
  int64_t count = 0;
  if (!CheckInteger(L, 1, "dl_setConnections", DownloadEngine::kMinConnections, DownloadEngine::kMaxConnections, count))
    return 0;
  EngineOf(L)->SetConnections(static_cast<int>(count));
  return True(L);
}

// A proxy for every transfer from now on; an empty text goes back to the
// environment's proxies.
int dl_setProxy(lua_State* L) {
  if (!CheckString(L, 1, "dl_setProxy")) return 0;
  std::string error;
  if (!WProxySettings::SetProgramProxy(Utf8FromAnsi(lua_tostring(L, 1)), error)) return NilAndMessage(L, error);
  return True(L);
}

int dl_wait(lua_State* L) {
  int64_t id = 0, ms = 0;
  if (!CheckInteger(L, 1, "dl_wait", 1, kMaxId, id) || !CheckInteger(L, 2, "dl_wait", 0, 86400000, ms)) return 0;
  std::optional<TaskState> state;
  std::string error;
  if (!Guarded(error, [&] { return (state = EngineOf(L)->Wait(id, static_cast<int>(ms))).has_value(); }))
    return NilAndMessage(L, error.empty() ? "no task " + std::to_string(id) : error);
  lua_pushstring(L, TaskStateName(*state));
  return 1;
}

bool ReadHeaders(lua_State* L, int index, HeaderList& headers) {
  if (lua_isnoneornil(L, index)) return true;
  if (lua_type(L, index) != LUA_TTABLE) {
    ReportError(kStem, __LINE__, "(error) (%s:%d) http_get: headers must be a table, type is %s\n",
                lua_typename(L, lua_type(L, index)));
    return false;
  }
  for (lua_pushnil(L); lua_next(L, index); lua_pop(L, 1)) {
    if (lua_type(L, -2) != LUA_TSTRING || !lua_isstring(L, -1)) {
      lua_pop(L, 2);
      ReportError(kStem, __LINE__, "(error) (%s:%d) http_get: header names and values must be strings\n");
      return false;
    }
    lua_pushvalue(L, -2);  // lua_tolstring on the key itself would confuse lua_next
    headers.emplace_back(StringArg(L, -1), StringArg(L, -2));
    lua_pop(L, 1);
  }
  return true;
}

void PushAnswerHeaders(lua_State* L, const HeaderList& headers) {
  lua_createtable(L, 0, static_cast<int>(headers.size()));
  for (const auto& [name, value] : headers) {
    std::string key = name;
    for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    lua_getfield(L, -1, key.c_str());
    std::string joined = lua_isstring(L, -1) ? StringArg(L, -1) + ", " + value : value;
    lua_pop(L, 1);
    lua_pushlstring(L, joined.data(), joined.size());
    lua_setfield(L, -2, key.c_str());
  }
}

int http_get(lua_State* L) {
  if (!CheckString(L, 1, "http_get")) return 0;
  HeaderList headers;
  if (!ReadHeaders(L, 2, headers)) return 0;
  std::string url = Utf8FromAnsi(StringArg(L, 1));
  HttpGetAnswer answer;
  std::string error;
  if (!Guarded(error, [&] { return HttpGet(url, headers, answer, error); })) return NilAndMessage(L, error);
  lua_pushinteger(L, answer.status);
  lua_pushlstring(L, answer.body.data(), answer.body.size());
  PushAnswerHeaders(L, answer.headers);
  return 3;
}

int CollectEngine(lua_State* L) {
  auto* engine = static_cast<DownloadEngine*>(lua_touserdata(L, 1));
  if (engine) engine->~DownloadEngine();
  return 0;
}

const luaL_Reg kFunctions[] = {
    {"dl_add", dl_add},           {"dl_start", dl_start},
    {"dl_pause", dl_pause},       {"dl_remove", dl_remove},
    {"dl_info", dl_info},         {"dl_list", dl_list},
    {"dl_setMaxActive", dl_setMaxActive}, {"dl_setLimit", dl_setLimit},
    {"dl_setStallTimeout", dl_setStallTimeout}, {"dl_wait", dl_wait}, {"dl_setProxy", dl_setProxy},
    {"dl_setConnections", dl_setConnections}, {"dl_setTaskLimit", dl_setTaskLimit},
    {"dl_suggestName", dl_suggestName},
    {"dl_setUrl", dl_setUrl},     {"dl_restart", dl_restart},
    {nullptr, nullptr},
};

}  // namespace

// Full userdata is aligned for the largest of double, pointer and long.
static_assert(alignof(DownloadEngine) <= alignof(double) && alignof(DownloadEngine) <= alignof(void*));

void RegisterDownloadScriptLibrary(lua_State* L) {
  // The engine lives in a full userdata anchored in the registry, so that
  // closing the interpreter runs its destructor (which stops the workers).
  void* memory = lua_newuserdata(L, sizeof(DownloadEngine));
  DownloadEngine* engine = new (memory) DownloadEngine();
  engine->SetListener([](int64_t id, TaskState state) { PostDownloadState(id, state); });
  lua_createtable(L, 0, 1);
  lua_pushcfunction(L, CollectEngine);
  lua_setfield(L, -2, "__gc");
  lua_setmetatable(L, -2);
  lua_setfield(L, LUA_REGISTRYINDEX, kEngineKey);
  for (const luaL_Reg* f = kFunctions; f->name; ++f) {
    lua_pushlightuserdata(L, engine);
    lua_pushcclosure(L, f->func, 1);
    lua_setfield(L, LUA_GLOBALSINDEX, f->name);
  }
  lua_pushcfunction(L, http_get);
  lua_setfield(L, LUA_GLOBALSINDEX, "http_get");
}
