// The rpc_* functions for scripts: start and stop the remote-control server
// of this interpreter, serve the calls that wait (each handed to a script
// function as method name and parameter table), send notifications, and
// make random identifiers. The server lives as long as the interpreter.
#ifndef VELMORA_RPC_RPCSCRIPTLIBRARY_H
#define VELMORA_RPC_RPCSCRIPTLIBRARY_H

#include <lua.hpp>

void RegisterRpcScriptLibrary(lua_State* L);

// For a host's own loop: waits up to `milliseconds` for calls to the server
// of this interpreter; false at once when none runs.
bool WaitForScriptRpcCalls(lua_State* L, int milliseconds);
// Whether this interpreter's server runs.
bool ScriptRpcServerRunning(lua_State* L);

#endif
