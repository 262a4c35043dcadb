// Shared by the application tests: the built-in skin, a registry of the
// test's own with an install path, and the calls a recording script noted.
#ifndef VELMORA_TESTS_APP_APPTESTSUPPORT_H
#define VELMORA_TESTS_APP_APPTESTSUPPORT_H

#include <lua.hpp>

#include <string>
#include <vector>

#include "ui/controls/EmbeddedSkin.h"

// Points VELMORA_REGISTRY at `folder`/registry.ini registering
// `folder`/install as the install path.
void UseTestRegistry(const std::string& folder);

// The texts in the script's global array `calls` (and empties it).
std::vector<std::string> TakeScriptCalls(lua_State* L);

std::u16string Wide(const std::string& ascii);

#endif
