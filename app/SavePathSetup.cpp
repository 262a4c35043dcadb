#include "app/SavePathSetup.h"

#include "base/CodePageText.h"
#include "base/JsonEscape.h"
#include "lang/TextFormat.h"
#include "lang/Texts.h"
#include "platform/Files.h"
#include "platform/Path.h"
#include "platform/RegistryStore.h"
#include "script/tessaryLuaCommon.h"
#include "util/sysfile.h"

namespace {

std::u16string DrivePath(const std::string& mountPoint) {
  std::u16string path = platform::WidePathFromNative(mountPoint);
  if (path.empty() || path.back() != u'/') path.push_back(u'/');
  return path;
}

bool Qualifies(const platform::Drive& drive, platform::DriveSystem& system) {
  const auto free = system.FreeBytes(drive.mountPoint);
  if (!free || *free <= kMinimumFreeBytes) return false;
  // A file of the folder's name counts, as it does on the desktop; so no
  // trailing separator, which would make stat refuse a file.
  // Built on the mount point as the OS gave it: the ANSI road would read a
  // backslash in it as a separator.
  std::string folder = drive.mountPoint;
  if (folder.empty() || folder.back() != '/') folder.push_back('/');
  folder += Utf16ToUtf8(kDownloadFolderName);
  return system.KindOf(folder) != platform::PathKind::Missing;
}

std::u16string DriveEntry(int id, const platform::Drive& drive) {
  const std::string digits = std::to_string(id);
  const std::u16string number(digits.begin(), digits.end());
  const char16_t letter = static_cast<char16_t>(drive.letter);
  const std::u16string name = lang::FormatText(lang::Text16("host.removableDrive"), {std::u16string_view(&letter, 1)});
  return u"{\"id\":" + number + u",\"name\":\"" + JsonEscaped(name) + u"\",\"szPath\":\"" +
         JsonEscaped(DrivePath(drive.mountPoint)) + u"\"}";
}

}  // namespace

std::string SaveLocationListText(const std::vector<platform::Drive>& drives, platform::DriveSystem& system) {
  std::u16string list = u"[";
  int id = 1;
  for (const platform::Drive& drive : drives) {
    if (!Qualifies(drive, system)) continue;
    list += DriveEntry(id++, drive) + u",";
  }
  list += u"{\"ID\":0,\"name\":\"" + JsonEscaped(lang::Text16("host.computer")) + u"\",\"szPath\":\"\"}]";
  return Utf16ToAnsi(list);
}

std::string GetInstallSavePath() {
  const auto registered = platform::ReadRegistryValue(kInstallKeyPath, kInstallValueName);
  if (!registered || registered->empty()) return {};
  std::string path = Utf16ToAnsi(*registered);
  if (path.empty()) return {};
  if (!IsDirectory(path.c_str())) CreateDirectoryPath(path.c_str());
  if (path.back() != '/' && path.back() != '\\') path.push_back('/');
  return path + Utf16ToAnsi(kDownloadFolderName);
}

bool CheckInstallPath(LuaCommon& script) {
  const std::string path = GetInstallSavePath();
  if (path.empty()) return false;
  script.CallScriptText("SetFileSavePath", path.c_str());
  return true;
}

std::u16string TakeInstallSavePath(LuaCommon& script) {
  const std::string path = GetInstallSavePath();
  if (!path.empty()) script.CallScriptText("SetFileSavePath", path.c_str());
  return AnsiToUtf16(path);
}

void BuildSaveLocationList(LuaCommon& script) {
  platform::DriveSystem& system = platform::CurrentDriveSystem();
  const std::string list = SaveLocationListText(platform::ListDrives(system), system);
  if (GetInstallSavePath().empty()) {
    const std::string relative = Utf16ToAnsi(std::u16string(u"/") + kDownloadFolderName + u"/");
    script.CallScriptText("SetSavePathDir", relative.c_str());
  }
  script.CallScriptText("InitSavePathList", list.c_str());
}
