// Files and directories reached through an open directory, one name at a
// time and never through a symbolic link: what writing untrusted names
// (the entries of an archive) below a folder needs. A link planted where a
// directory or file is expected makes the call fail, it is not followed.
// Every failure gives the system's text. Writes, renames and removals go
// through the file table (FileIo.h), so a test's failing disk sees them.
#ifndef VELMORA_PLATFORM_DIRECTORYFD_H
#define VELMORA_PLATFORM_DIRECTORYFD_H

#include <cstddef>
#include <string>

namespace platform {

// An open file descriptor, closed with its owner.
class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : fd_(fd) {}
  ~UniqueFd();
  UniqueFd(UniqueFd&& other) noexcept : fd_(other.Release()) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept;
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;

  int Get() const { return fd_; }
  bool Valid() const { return fd_ >= 0; }
  int Release();

 private:
  int fd_ = -1;
};

// The folder at `path` (UTF-8), made with its missing parents when
// `create`; `created` tells whether the folder itself was made now. The
// path itself is trusted (it comes from the user or the scripts).
UniqueFd OpenFolder(const std::string& path, bool create, bool& created, std::string& error);

enum class EntryKind { Missing, Directory, File, Other };
// What `name` in `dir` is, without following a link (a link is Other).
EntryKind KindAt(int dir, const std::string& name);

// The directory `name` in `dir`, made when missing and `create`; fails on
// anything that is not a real directory. `created` tells whether it was
// made now.
UniqueFd OpenDirectoryAt(int dir, const std::string& name, bool create, bool& created, std::string& error);
// A new file `name` for writing (fails when anything has that name).
UniqueFd CreateFileAt(int dir, const std::string& name, std::string& error);
bool WriteAll(int fd, const void* data, std::size_t size, std::string& error);
// Moves `from` over `to` within `dir` (a file `to` is replaced).
bool RenameAt(int dir, const std::string& from, const std::string& to, std::string& error);
// Removes a file, or an empty directory; false when it cannot.
bool RemoveAt(int dir, const std::string& name, bool directory);
// Removes the folder at `path` when it is empty.
bool RemoveEmptyFolder(const std::string& path);

}  // namespace platform

#endif
