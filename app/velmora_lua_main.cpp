// velmora-lua FILE.lua [ARGS...]: runs a script in an interpreter built exactly
// as the host builds its own (libraries, host globals, startparam), without
// any window. Exit 0 when the script ran cleanly, 1 with the error on stderr.
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/CommandLine.h"
#include "script/LuaTraceback.h"
#include "script/tessaryLuaCommon.h"

namespace {

// The host moves into its own directory while it starts, so the script path
// must be made absolute first.
std::string AbsolutePath(const char* path) {
  char resolved[PATH_MAX];
  return realpath(path, resolved) ? std::string(resolved) : std::string(path);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: velmora-lua FILE.lua [ARGS...]\n");
    return 2;
  }
  platform::RecordProcessCommandLine(platform::CommandLineArguments(argc, argv));
  std::string script = AbsolutePath(argv[1]);

  LuaCommon host;
  lua_State* L = host.State();
  if (!L) {
    std::fprintf(stderr, "velmora-lua: cannot create the interpreter\n");
    return 1;
  }
  lua_pushcfunction(L, LuaTracebackHandler);
  int status = luaL_loadfile(L, script.c_str());
  if (status == 0) status = lua_pcall(L, 0, 0, -2);
  if (status != 0) {
    const char* message = lua_tostring(L, -1);
    std::fprintf(stderr, "%s\n", message ? message : "(error object is not a string)");
    return 1;
  }
  return 0;
}
