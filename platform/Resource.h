// Resources built into the executable, found as the desktop finds them: by
// type name and integer id. The build registers each embedded blob before
// main runs; the bytes stay in the executable image for the whole run, so
// loading, locking and freeing cost nothing.
#ifndef VELMORA_PLATFORM_RESOURCE_H
#define VELMORA_PLATFORM_RESOURCE_H

#include <cstddef>
#include <cstdint>

struct HINSTANCE__;
using HMODULE = HINSTANCE__*;
struct HRSRC__;
using HRSRC = HRSRC__*;
using HGLOBAL = const void*;

// The module is ignored: every resource lives in the executable.
HRSRC FindResource(HMODULE module, int id, const char16_t* type);
inline HRSRC FindResourceW(HMODULE module, int id, const char16_t* type) { return FindResource(module, id, type); }
HGLOBAL LoadResource(HMODULE module, HRSRC resource);
std::uint32_t SizeofResource(HMODULE module, HRSRC resource);
const void* LockResource(HGLOBAL loaded);
int FreeResource(HGLOBAL loaded);

namespace platform {

// Called by the generated embedding code; a second registration of the same
// type and id replaces the first.
void RegisterResource(const char16_t* type, int id, const void* data, std::size_t size);

}  // namespace platform

#endif
