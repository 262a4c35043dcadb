#include "archive/ArchiveScriptLibrary.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <set>

#include "archive/ExtractJob.h"
#include "base/CodePageText.h"
#include "platform/Path.h"
#include "base/ReportError.h"

namespace {

constexpr const char* kStem = "ArchiveScriptLibrary";

using archive::ExtractJob;

// The jobs the scripts hold; handles are checked against it.
std::set<ExtractJob*>& LiveJobs() {
  static std::set<ExtractJob*> jobs;
  return jobs;
}

const char* TypeName(lua_State* L, int index) { return lua_typename(L, lua_type(L, index)); }

ExtractJob* JobArg(lua_State* L, int index, int line) {
  if (lua_type(L, index) != LUA_TLIGHTUSERDATA) {
    ReportError(kStem, line, "(error) (%s:%d)  param %d is not userdata ,type is %s\n", index, TypeName(L, index));
    return nullptr;
  }
  auto* job = static_cast<ExtractJob*>(lua_touserdata(L, index));
  if (!LiveJobs().count(job)) {
    ReportError(kStem, line, "(error) (%s:%d)  param %d is not an extraction\n", index);
    return nullptr;
  }
  return job;
}

bool TextArg(lua_State* L, int index, int line, const char*& out) {
  if (!lua_isstring(L, index)) {
    ReportError(kStem, line, "(error) (%s:%d)  param %d is not string ,type is %s\n", index, TypeName(L, index));
    return false;
  }
  out = lua_tostring(L, index);
  return true;
}

// An optional positive limit; nil keeps `value`.
bool LimitArg(lua_State* L, int index, int line, std::uint64_t& value) {
  if (lua_isnoneornil(L, index)) return true;
  const lua_Number n = lua_isnumber(L, index) ? lua_tonumber(L, index) : -1;
  if (!(n >= 1) || n > 9.0e15) {
    ReportError(kStem, line, "(error) (%s:%d)  param %d is not a positive number\n", index);
    return false;
  }
  value = static_cast<std::uint64_t>(n);
  return true;
}

// A malloc'd copy of UTF-8 text in the ANSI code page; null without memory.
char* AnsiCopy(const std::string& utf8) noexcept {
  try {
    const std::string ansi = Utf16ToAnsi(platform::WidePathFromNative(utf8));
    auto* copy = static_cast<char*>(std::malloc(ansi.size() + 1));
    if (copy) std::memcpy(copy, ansi.c_str(), ansi.size() + 1);
    return copy;
  } catch (...) {
    return nullptr;
  }
}

ExtractJob* StartJob(const char* archivePath, const char* folder, archive::ExtractLimits limits) noexcept {
  try {
    auto job = std::make_unique<ExtractJob>(platform::NativePathFromAnsi(archivePath),
                                            platform::NativePathFromAnsi(folder), limits);
    LiveJobs().insert(job.get());
    return job.release();
  } catch (...) {
    return nullptr;  // no memory or no thread
  }
}

int zip_extract(lua_State* L) {
  const char* archivePath = nullptr;
  const char* folder = nullptr;
  archive::ExtractLimits limits;
  if (!TextArg(L, 1, __LINE__, archivePath) || !TextArg(L, 2, __LINE__, folder) ||
      !LimitArg(L, 3, __LINE__, limits.maxBytes) || !LimitArg(L, 4, __LINE__, limits.maxEntries))
    return 0;
  ExtractJob* job = StartJob(archivePath, folder, limits);
  if (!job) {
    ReportError(kStem, __LINE__, "(error) (%s:%d) cannot start an extraction\n");
    return 0;
  }
  lua_pushlightuserdata(L, job);
  return 1;
}

int zip_state(lua_State* L) {
  ExtractJob* job = JobArg(L, 1, __LINE__);
  if (!job) return 0;
  const archive::ExtractProgress& p = job->Progress();
  lua_pushstring(L, archive::StateName(job->GetState()));
  lua_pushnumber(L, static_cast<lua_Number>(p.bytesDone.load()));
  lua_pushnumber(L, static_cast<lua_Number>(p.bytesTotal.load()));
  lua_pushnumber(L, static_cast<lua_Number>(p.entriesDone.load()));
  lua_pushnumber(L, static_cast<lua_Number>(p.entriesTotal.load()));
  return 5;
}

int zip_error(lua_State* L) {
  ExtractJob* job = JobArg(L, 1, __LINE__);
  if (!job) return 0;
  char* text = nullptr;
  try {
    text = AnsiCopy(job->Error());
  } catch (...) {
  }
  lua_pushstring(L, text ? text : "");
  std::free(text);
  return 1;
}

int zip_cancel(lua_State* L) {
  if (ExtractJob* job = JobArg(L, 1, __LINE__)) job->Cancel();
  return 0;
}

int zip_del(lua_State* L) {
  ExtractJob* job = JobArg(L, 1, __LINE__);
  if (!job) return 0;
  LiveJobs().erase(job);
  delete job;  // the script owns its jobs; this is where they end
  lua_pushnil(L);
  return 1;
}

int zip_running(lua_State* L) {
  int running = 0;
  for (ExtractJob* job : LiveJobs())
    if (job->GetState() == ExtractJob::State::Running) ++running;
  lua_pushinteger(L, running);
  return 1;
}

}  // namespace

const luaL_Reg kZipScriptFunctions[] = {
    {"zip_extract", zip_extract}, {"zip_state", zip_state}, {"zip_error", zip_error},
    {"zip_cancel", zip_cancel},   {"zip_del", zip_del},     {"zip_running", zip_running},
    {nullptr, nullptr},
};

void RegisterZipScriptLibrary(lua_State* L) {
  for (const luaL_Reg* f = kZipScriptFunctions; f->name; ++f) {
    lua_pushcclosure(L, f->func, 0);
    lua_setfield(L, LUA_GLOBALSINDEX, f->name);
  }
}
