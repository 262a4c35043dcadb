// Room on the file system that holds a path: the sidebar's free-space
// figure, the drive list, and the checks that a download or an extraction
// fits before it starts.
#ifndef VELMORA_PLATFORM_DISKSPACE_H
#define VELMORA_PLATFORM_DISKSPACE_H

#include <cstdint>
#include <string>

namespace platform {

struct DiskSpace {
  std::uint64_t available = 0;  // what an unprivileged user may still write
  std::uint64_t free = 0;       // all free bytes, those kept for the superuser included
  std::uint64_t total = 0;
};

// The space of the file system holding `nativePath` (UTF-8). A path that
// does not exist yet is answered for its nearest existing ancestor, so a
// save folder still to be created gets the figure of where it will be.
// False with `error` set (the system's text) when no ancestor can be read.
bool QueryDiskSpace(const std::string& nativePath, DiskSpace& out, std::string& error);

}  // namespace platform

#endif
