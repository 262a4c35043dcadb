// Room on the file system that holds a path, for the sidebar's free-space
// figure and for checking that an extraction fits before it starts.
#ifndef VELMORA_PLATFORM_DISKSPACE_H
#define VELMORA_PLATFORM_DISKSPACE_H

#include <cstdint>
#include <string>

namespace platform {

struct DiskSpace {
  std::uint64_t available = 0;  // what an unprivileged user may still write
  std::uint64_t total = 0;
};

// The space of the file system holding `nativePath` (UTF-8). A path that
// does not exist yet is answered for its nearest existing ancestor, so a
// save folder still to be created gets the figure of where it will be.
// False with `error` set (the system's text) when no ancestor can be read.
bool QueryDiskSpace(const std::string& nativePath, DiskSpace& out, std::string& error);

}  // namespace platform

#endif
