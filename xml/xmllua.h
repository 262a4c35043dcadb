// The script XML library: 31 xml_* globals over CXmlDocument.
//
// Documents reach scripts as light userdata owned by the script (xml_new /
// xml_del). Text crosses in the ANSI code page. Bad arguments are reported
// to the diagnostic hook and give no results; nothing raises a Lua error.
#ifndef VELMORA_XML_XMLLUA_H
#define VELMORA_XML_XMLLUA_H

#include <lua.hpp>

// Registers the globals in their documented order.
void RegisterXmlLuaLibrary(lua_State* L);

#endif
