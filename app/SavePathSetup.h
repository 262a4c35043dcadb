// Where downloads may be stored: the registered install save path and the
// drives that carry a download folder, handed to the scripts. The main window
// calls these at creation, at window initialisation and after each
// configuration answer. Window thread only (they call the scripts).
#ifndef VELMORA_APP_SAVEPATHSETUP_H
#define VELMORA_APP_SAVEPATHSETUP_H

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Drives.h"

class LuaCommon;

// Where the product's installer registers its install path.
inline constexpr char16_t kInstallKeyPath[] = u"HKEY_LOCAL_MACHINE\\Software\\KOVAPT\\KOVA_PC";
inline constexpr char16_t kInstallValueName[] = u"KOVAPath";
// The download folder's name, under the install path and at drive roots.
inline constexpr char16_t kDownloadFolderName[] = u"下载资料";
// A drive needs more free space than this to be offered.
inline constexpr std::uint64_t kMinimumFreeBytes = 16u * 1024 * 1024;

// The registered install path (created with its parents when missing) with
// the download folder appended, as ANSI text; empty when none is registered.
std::string GetInstallSavePath();

// True when an install save path exists (after handing it to SetFileSavePath).
bool CheckInstallPath(LuaCommon& script);
// The install save path as wide text, handed to SetFileSavePath when not empty.
std::u16string TakeInstallSavePath(LuaCommon& script);
// Builds the save-location list and hands it to InitSavePathList (and, when
// no install path is registered, the relative folder to SetSavePathDir).
void BuildSaveLocationList(LuaCommon& script);

// The JSON list (ANSI text) of the drives that have the download folder and
// enough free space, closed by the "computer" entry.
std::string SaveLocationListText(const std::vector<platform::Drive>& drives, platform::DriveSystem& system);

#endif
