// A disk that fills up, put under every file write of the program while the
// object lives: writes pass until `capacity` bytes have gone through, then
// come up short with ENOSPC, exactly where a real full disk would stop them.
// Streams and descriptors draw on the same capacity, from any thread.
//
// Scope::DataWrites fills only with the positioned writes of data files,
// as a disk that still has room for the small records beside them.
#ifndef VELMORA_TESTS_FULLDISK_H
#define VELMORA_TESTS_FULLDISK_H

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstddef>
#include <cstdint>

#include "platform/FileIo.h"

class FullDisk : public platform::FileIo {
 public:
  enum class Scope { EveryWrite, DataWrites };

  explicit FullDisk(size_t capacity, Scope scope = Scope::EveryWrite)
      : left_(capacity), scope_(scope), previous_(platform::SetFileIo(this)) {}
  ~FullDisk() override { platform::SetFileIo(previous_); }
  FullDisk(const FullDisk&) = delete;
  FullDisk& operator=(const FullDisk&) = delete;

  size_t Write(std::FILE* file, const void* data, size_t size) override {
    if (scope_ == Scope::DataWrites) return platform::FileIo::Write(file, data, size);
    size_t passed = platform::FileIo::Write(file, data, Take(size));
    if (passed < size) errno = ENOSPC;
    return passed;
  }

  ssize_t WriteAt(int fd, int64_t offset, const void* data, size_t size) override {
    if (scope_ == Scope::DataWrites && offset == platform::kAtFilePosition)
      return platform::FileIo::WriteAt(fd, offset, data, size);
    size_t allowed = Take(size);
    if (allowed == 0 && size > 0) {
      errno = ENOSPC;
      return -1;
    }
    return platform::FileIo::WriteAt(fd, offset, data, allowed);
  }

 private:
  // Claims up to `size` bytes of what is left.
  size_t Take(size_t size) {
    size_t left = left_.load();
    size_t taken = 0;
    do {
      taken = std::min(size, left);
    } while (!left_.compare_exchange_weak(left, left - taken));
    return taken;
  }

  std::atomic<size_t> left_;
  Scope scope_;
  platform::FileIo* previous_;
};

#endif
