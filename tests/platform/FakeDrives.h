// A machine described by the test: its mount table, free space per mount
// point, removable devices and existing paths.
#ifndef VELMORA_TESTS_PLATFORM_FAKEDRIVES_H
#define VELMORA_TESTS_PLATFORM_FAKEDRIVES_H

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>

#include "platform/Drives.h"

class FakeDrives : public platform::DriveSystem {
 public:
  std::string table;
  std::map<std::string, std::uint64_t> free;
  std::set<std::string> removable;
  std::set<std::string> directories;
  std::set<std::string> files;

  std::string MountTableText() override { return table; }
  std::optional<std::uint64_t> FreeBytes(const std::string& mountPoint) override {
    auto it = free.find(mountPoint);
    return it == free.end() ? std::nullopt : std::optional<std::uint64_t>(it->second);
  }
  bool IsRemovableDevice(const std::string& device) override { return removable.count(device) > 0; }
  platform::PathKind KindOf(const std::string& path) override {
    if (directories.count(path)) return platform::PathKind::Directory;
    return files.count(path) ? platform::PathKind::Other : platform::PathKind::Missing;
  }
};

#endif
