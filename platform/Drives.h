// Drives as the desktop the product was written for knows them, made from
// the mount table: every mount of a real file system is a drive, lettered
// C: for "/" and D:, E:, ... for the others in table order (at most up to
// Z:). Kernel and memory file systems (proc, sysfs, cgroup, tmpfs, ...) and
// optical media are no drives; a mount point that is not a directory (a file
// bind-mounted into a container) is none either.
//
// A drive is removable when its device is (the kernel's "removable" flag) or
// it is mounted under /media or /run/media, remote for network file systems,
// fixed otherwise.
//
// Everything goes through a DriveSystem, so tests can hand in a mount table,
// free-space figures and paths of their own. Safe from any thread as long
// as the replacement is not swapped meanwhile.
#ifndef VELMORA_PLATFORM_DRIVES_H
#define VELMORA_PLATFORM_DRIVES_H

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Files.h"

namespace platform {

enum class DriveType { Fixed, Removable, Remote };

struct Drive {
  char letter = 'C';
  std::string mountPoint;  // UTF-8, as mounted
  DriveType type = DriveType::Fixed;
};

struct MountEntry {
  std::string device;
  std::string mountPoint;
  std::string fsType;
};

class DriveSystem {
 public:
  virtual ~DriveSystem() = default;
  // The text of /proc/self/mounts (fstab format).
  virtual std::string MountTableText();
  // All free bytes of the file system mounted at `mountPoint` (those kept
  // for the superuser included); nothing when it cannot be asked.
  virtual std::optional<std::uint64_t> FreeBytes(const std::string& mountPoint);
  virtual bool IsRemovableDevice(const std::string& device);
  virtual PathKind KindOf(const std::string& nativePath);
};

// The fstab-format lines of `text`, with the octal escapes of names undone.
std::vector<MountEntry> ParseMountTable(std::string_view text);

// The drives of `system` (the process's own when none is given).
std::vector<Drive> ListDrives(DriveSystem& system);

// The process's drive system: the real one unless a test replaced it.
DriveSystem& CurrentDriveSystem();
// Tests hand in their own (kept by the caller); null restores the real one.
void SetDriveSystemForTesting(DriveSystem* replacement);

}  // namespace platform

#endif
