#include "platform/Drives.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdio>
#include <memory>

#include "platform/DiskSpace.h"

namespace platform {
namespace {

constexpr std::size_t kMountTableLimit = 4 * 1024 * 1024;

constexpr std::array<std::string_view, 12> kRemoteTypes = {
    "nfs", "nfs4", "cifs", "smb3", "smbfs", "ncpfs", "afs", "9p", "ceph", "glusterfs", "fuse.sshfs", "davfs"};

constexpr std::array<std::string_view, 19> kLocalTypes = {
    "ext2",    "ext3",  "ext4", "xfs",     "btrfs", "vfat",     "msdos",  "exfat",  "ntfs",  "ntfs3",
    "fuseblk", "f2fs",  "zfs",  "overlay", "jfs",   "reiserfs", "hfsplus", "nilfs2", "bcachefs"};

template <std::size_t N>
bool OneOf(const std::array<std::string_view, N>& list, std::string_view value) {
  return std::find(list.begin(), list.end(), value) != list.end();
}

// fstab escapes blanks, tabs, line feeds and backslashes as \ooo.
std::string Unescape(std::string_view field) {
  std::string out;
  for (std::size_t i = 0; i < field.size(); ++i) {
    const bool octal = field[i] == '\\' && i + 3 < field.size() &&
                       field.substr(i + 1, 3).find_first_not_of("01234567") == std::string_view::npos;
    if (octal) {
      out.push_back(static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0')));
      i += 3;
    } else {
      out.push_back(field[i]);
    }
  }
  return out;
}

std::vector<std::string_view> Fields(std::string_view line) {
  std::vector<std::string_view> fields;
  std::size_t pos = 0;
  while (pos < line.size()) {
    const std::size_t start = line.find_first_not_of(" \t", pos);
    if (start == std::string_view::npos) break;
    const std::size_t end = std::min(line.find_first_of(" \t", start), line.size());
    fields.push_back(line.substr(start, end - start));
    pos = end;
  }
  return fields;
}

bool UnderMediaFolder(const std::string& mountPoint) {
  return mountPoint.rfind("/media/", 0) == 0 || mountPoint.rfind("/run/media/", 0) == 0;
}

// Nothing for mounts that are no drives.
std::optional<DriveType> TypeOf(DriveSystem& system, const MountEntry& entry) {
  if (OneOf(kRemoteTypes, entry.fsType)) return DriveType::Remote;
  const bool blockDevice = entry.device.rfind("/dev/", 0) == 0;
  if (entry.fsType == "iso9660" || entry.fsType == "udf") return std::nullopt;
  if (!blockDevice && !OneOf(kLocalTypes, entry.fsType)) return std::nullopt;
  if (UnderMediaFolder(entry.mountPoint)) return DriveType::Removable;
  if (blockDevice && system.IsRemovableDevice(entry.device)) return DriveType::Removable;
  return DriveType::Fixed;
}

std::atomic<DriveSystem*> g_replacement{nullptr};

}  // namespace

std::string DriveSystem::MountTableText() {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen("/proc/self/mounts", "rb"), &std::fclose);
  if (!file) return {};
  std::string text;
  char block[4096];
  std::size_t n = 0;
  while ((n = std::fread(block, 1, sizeof block, file.get())) > 0 && text.size() < kMountTableLimit)
    text.append(block, n);
  return text;
}

std::optional<std::uint64_t> DriveSystem::FreeBytes(const std::string& mountPoint) {
  DiskSpace space;
  std::string unreadable;
  if (!QueryDiskSpace(mountPoint, space, unreadable)) return std::nullopt;
  return space.free;
}

// /dev/sdb1 is removable when its disk is: /sys/class/block/sdb1/../removable.
bool DriveSystem::IsRemovableDevice(const std::string& device) {
  const std::string name = device.substr(device.find_last_of('/') + 1);
  if (name.empty() || name.find("..") != std::string::npos) return false;
  for (const std::string& flag : {"/sys/class/block/" + name + "/removable", "/sys/class/block/" + name + "/../removable"}) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(flag.c_str(), "rb"), &std::fclose);
    if (!file) continue;
    return std::fgetc(file.get()) == '1';
  }
  return false;
}

PathKind DriveSystem::KindOf(const std::string& nativePath) { return PathKindOf(nativePath); }

std::vector<MountEntry> ParseMountTable(std::string_view text) {
  std::vector<MountEntry> entries;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    const std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    const auto fields = Fields(line);
    if (fields.size() < 3 || fields[0].front() == '#') continue;
    entries.push_back(MountEntry{Unescape(fields[0]), Unescape(fields[1]), std::string(fields[2])});
  }
  return entries;
}

std::vector<Drive> ListDrives(DriveSystem& system) {
  std::vector<Drive> drives;
  const std::string table = system.MountTableText();
  char next = 'D';
  for (const MountEntry& entry : ParseMountTable(table)) {
    const auto type = TypeOf(system, entry);
    if (!type || system.KindOf(entry.mountPoint) != PathKind::Directory) continue;
    const bool seen = std::any_of(drives.begin(), drives.end(),
                                  [&](const Drive& d) { return d.mountPoint == entry.mountPoint; });
    if (seen) continue;
    const bool root = entry.mountPoint == "/";
    if (!root && next > 'Z') continue;
    drives.push_back(Drive{root ? 'C' : next, entry.mountPoint, *type});
    if (!root) ++next;
  }
  std::stable_sort(drives.begin(), drives.end(), [](const Drive& a, const Drive& b) { return a.letter < b.letter; });
  return drives;
}

DriveSystem& CurrentDriveSystem() {
  static DriveSystem real;
  DriveSystem* replacement = g_replacement.load();
  return replacement ? *replacement : real;
}

void SetDriveSystemForTesting(DriveSystem* replacement) { g_replacement.store(replacement); }

}  // namespace platform
