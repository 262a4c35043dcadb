// velmora-bench-db [ROWS]: times the sqlite_* script library against LuaSQL's
// SQLite driver under the same interpreter the host builds. The work itself
// is in sqlite_bench.lua beside the executable; this program supplies a
// CPU-time clock and a scratch directory, and reports the script's verdict.
#include <stdlib.h>
#include <time.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "script/tessaryLuaCommon.h"

namespace {

// Process CPU time: the machine is shared, and time spent waiting for a core
// belongs to neither library.
int Clock(lua_State* L) {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  lua_pushnumber(L, static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9);
  return 1;
}

std::string MakeScratchDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "velmora-bench-db-XXXXXX").string();
  return mkdtemp(pattern.data()) ? pattern : std::string();
}

}  // namespace

int main(int argc, char** argv) {
  std::string rows = argc > 1 ? argv[1] : "100000";
  std::string scratch = MakeScratchDir();
  if (scratch.empty()) {
    std::fprintf(stderr, "velmora-bench-db: cannot make a scratch directory\n");
    return 1;
  }
  int status = 1;
  {
    LuaCommon host;  // moves the working directory next to the executable
    lua_State* L = host.State();
    lua_register(L, "bench_clock", Clock);
    status = luaL_loadfile(L, "./sqlite_bench.lua");
    if (status == 0) {
      lua_pushstring(L, scratch.c_str());
      lua_pushstring(L, rows.c_str());
      status = lua_pcall(L, 2, 0, 0);
    }
    if (status != 0) std::fprintf(stderr, "velmora-bench-db: %s\n", lua_tostring(L, -1));
  }
  std::error_code ignored;
  std::filesystem::remove_all(scratch, ignored);
  return status == 0 ? 0 : 1;
}
