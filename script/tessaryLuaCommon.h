// The script host: owns the one Lua 5.1 state of the process, registers the
// native script libraries, sets the host globals and calls named script
// functions. Every method runs on the main window's thread; nothing else
// touches the interpreter. Every operation leaves the Lua stack as it found it.
#ifndef VELMORA_SCRIPT_TESSARYLUACOMMON_H
#define VELMORA_SCRIPT_TESSARYLUACOMMON_H

#include <lua.hpp>

#include <cstdint>
#include <functional>
#include <string>

// Full path of dc-config.ini next to the executable, zero-filled; set when the
// host is constructed and read by the configuration bootstrap.
extern char configFilePath[260];
// 0 until the one and only call of InitSystem is about to be made.
extern unsigned char initSystemDone;

class LuaCommon;

// What the owner of the host adds to its construction: the bootstrap start
// (step "start the configuration bootstrap") and the libraries that need a
// window system (the input dialog, the UI bindings). A headless runner leaves
// them empty.
struct LuaCommonHooks {
  std::function<void(LuaCommon&)> startConfigBootstrap;
  std::function<void(lua_State*)> registerWindowLibraries;
};

class LuaCommon {
 public:
  explicit LuaCommon(LuaCommonHooks hooks = {});
  ~LuaCommon();
  LuaCommon(const LuaCommon&) = delete;
  LuaCommon& operator=(const LuaCommon&) = delete;

  // Runs ./ext/system.dll, then SetDownloadCenterTitle, SetLocalServerPath and
  // InitSystemControl. 0 on success, 1 when the script failed to load or run.
  int LoadMainScript(void* paintManager);

  // Each calls the named global function with one expected result: the
  // failed call's Lua status, else the returned number (0 if not a number).
  intptr_t CallScript(const char* name);
  intptr_t CallScriptInt(const char* name, intptr_t value);
  intptr_t CallScriptText(const char* name, const char* text);
  intptr_t CallScriptPointer(const char* name, void* pointer);
  intptr_t CallOnMessage(uintptr_t wParam, intptr_t lParam);
  intptr_t CallOnTabSelectEvent(void* notification, uintptr_t wParam, intptr_t lParam);
  intptr_t CallOnWindowMessage(unsigned message, uintptr_t wParam, intptr_t lParam);
  // OnWindowMessage with wParam and lParam as numbers, for messages whose
  // parameters are values (a download task's id and state), not pointers.
  intptr_t CallOnWindowMessageNumbers(unsigned message, int64_t wParam, int64_t lParam);

  // The global as UTF-16 text; empty (and reported) when it is not text.
  std::u16string GetScriptGlobalText(const char* name);

  lua_State* State() const { return luaState; }
  const std::u16string& ExeDir() const { return exeDir; }
  const std::string& LocalServerPath() const { return localServerPath; }

  // Text of the update notice; written by the bootstrap's message handler.
  std::string updateInfoText;

 private:
  intptr_t FinishCall(int argumentCount, int stackBase);

  lua_State* luaState = nullptr;
  std::u16string exeDir;
  std::string localServerPath;
};

#endif
