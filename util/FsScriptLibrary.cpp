#include "util/FsScriptLibrary.h"

#include <optional>
#include <string>
#include <string_view>

#include "base/CodePageText.h"
#include "base/FailureCause.h"
#include "base/ReportError.h"
#include "platform/CodePage.h"
#include "platform/DiskSpace.h"
#include "platform/OwnerOnlyAccess.h"
#include "platform/Path.h"
#include "util/sysfile.h"

namespace {

constexpr const char* kStem = "FsScriptLibrary";

// Messages are built in UTF-8 and handed over in the ANSI code page; a
// character the code page lacks becomes its default character there.
std::string AnsiFromUtf8(const std::string& utf8) { return Utf16ToAnsi(platform::WidePathFromNative(utf8)); }

int Fail(lua_State* L, FailureCause cause, const std::string& ansiMessage) {
  lua_pushnil(L);
  lua_pushlstring(L, ansiMessage.data(), ansiMessage.size());
  lua_pushstring(L, FailureCauseName(cause));
  return 3;
}

// A string argument, or nullopt after reporting what came instead.
std::optional<std::string_view> TextArg(lua_State* L, int index, const char* function) {
  if (lua_type(L, index) != LUA_TSTRING) {
    ReportError(kStem, __LINE__, "(error) (%s:%d) %s: argument %d is not a string, type is %s\n", function, index,
                lua_typename(L, lua_type(L, index)));
    return std::nullopt;
  }
  size_t size = 0;
  const char* text = lua_tolstring(L, index, &size);
  return std::string_view(text, size);
}

// The path functions hand C strings to the OS: a zero byte would cut the
// path short and reach another file, so it is refused.
bool IsUsablePath(std::string_view path) { return !path.empty() && path.find('\0') == std::string_view::npos; }

int FailUnusablePath(lua_State* L, std::string_view path) {
  if (path.empty()) return Fail(L, FailureCause::BadInput, "the path is empty");
  return Fail(L, FailureCause::BadInput, "the path contains a zero byte");
}

int fs_makeDirs(lua_State* L) {
  const auto path = TextArg(L, 1, "fs_makeDirs");
  if (!path) return 0;
  if (!IsUsablePath(*path)) return FailUnusablePath(L, *path);
  const std::string ansi(*path);
  const int kind = GetPathKind(ansi.c_str());
  if (kind == 1) {
    lua_pushboolean(L, 1);
    return 1;
  }
  if (kind == -1) return Fail(L, FailureCause::Disk, ansi + " exists and is not a folder");
  if (CreateDirectoryPath(ansi.c_str()) != 1) return Fail(L, FailureCause::Disk, "cannot create the folder " + ansi);
  std::string error;
  // Only a folder made here is narrowed: one the user made keeps the access
  // the user gave it.
  if (lua_toboolean(L, 2) && !platform::MakeOwnerOnly(platform::NativePathFromAnsi(ansi), error))
    return Fail(L, FailureCause::Disk, "cannot make " + ansi + " private: " + AnsiFromUtf8(error));
  lua_pushboolean(L, 1);
  return 1;
}

int fs_freeSpace(lua_State* L) {
  const auto path = TextArg(L, 1, "fs_freeSpace");
  if (!path) return 0;
  if (!IsUsablePath(*path)) return FailUnusablePath(L, *path);
  platform::DiskSpace space;
  std::string error;
  if (!platform::QueryDiskSpace(platform::NativePathFromAnsi(*path), space, error))
    return Fail(L, FailureCause::Disk, std::string(*path) + ": " + AnsiFromUtf8(error));
  lua_pushnumber(L, static_cast<lua_Number>(space.available));
  lua_pushnumber(L, static_cast<lua_Number>(space.total));
  return 2;
}

template <bool (*Test)(int kind)>
int KindQuery(lua_State* L, const char* function) {
  const auto path = TextArg(L, 1, function);
  if (!path) return 0;
  if (!IsUsablePath(*path)) return FailUnusablePath(L, *path);
  lua_pushboolean(L, Test(GetPathKind(std::string(*path).c_str())));
  return 1;
}

bool AnyKind(int kind) { return kind != 0; }
bool DirectoryKind(int kind) { return kind == 1; }

int fs_exists(lua_State* L) { return KindQuery<AnyKind>(L, "fs_exists"); }
int fs_isDir(lua_State* L) { return KindQuery<DirectoryKind>(L, "fs_isDir"); }

std::string CodePageName() { return "code page " + std::to_string(platform::AnsiCodePage()); }

// Both directions refuse what the other side cannot spell: a name changed on
// the way would open, or create, a different file.
int fs_toNative(lua_State* L) {
  const auto text = TextArg(L, 1, "fs_toNative");
  if (!text) return 0;
  const auto wide = platform::DecodeToUtf16(platform::kCpAcp, *text, /*strict=*/true);
  if (!wide) return Fail(L, FailureCause::BadInput, "the text is not valid in the " + CodePageName());
  const auto native = platform::EncodeFromUtf16(platform::kCpUtf8, *wide);
  if (!native) return Fail(L, FailureCause::Internal, "UTF-8 is not available");
  lua_pushlstring(L, native->data(), native->size());
  return 1;
}

int fs_fromNative(lua_State* L) {
  const auto name = TextArg(L, 1, "fs_fromNative");
  if (!name) return 0;
  const auto wide = platform::DecodeToUtf16(platform::kCpUtf8, *name, /*strict=*/true);
  if (!wide) return Fail(L, FailureCause::BadInput, "the name is not valid UTF-8");
  bool lossy = false;
  const auto ansi = platform::EncodeFromUtf16(platform::kCpAcp, *wide, &lossy);
  if (!ansi) return Fail(L, FailureCause::Unsupported, "the " + CodePageName() + " is not available");
  if (lossy) return Fail(L, FailureCause::Unsupported, "the name cannot be written in the " + CodePageName());
  lua_pushlstring(L, ansi->data(), ansi->size());
  return 1;
}

}  // namespace

const luaL_Reg kFsScriptFunctions[] = {
    {"fs_makeDirs", fs_makeDirs}, {"fs_freeSpace", fs_freeSpace}, {"fs_exists", fs_exists},
    {"fs_isDir", fs_isDir},       {"fs_toNative", fs_toNative},   {"fs_fromNative", fs_fromNative},
    {nullptr, nullptr},
};

void RegisterFsScriptLibrary(lua_State* L) {
  for (const luaL_Reg* f = kFsScriptFunctions; f->name; ++f) {
    lua_pushcclosure(L, f->func, 0);
    lua_setfield(L, LUA_GLOBALSINDEX, f->name);
  }
}
