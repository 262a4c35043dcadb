// A disk that fills up, put under every file call of the program while the
// object lives: writes pass until `capacity` bytes have gone through, then
// come up short with ENOSPC, exactly where a real full disk would stop them.
#ifndef VELMORA_TESTS_FULLDISK_H
#define VELMORA_TESTS_FULLDISK_H

#include <algorithm>
#include <cerrno>
#include <cstddef>

#include "platform/FileIo.h"

class FullDisk : public platform::FileIo {
 public:
  explicit FullDisk(size_t capacity) : left_(capacity), previous_(platform::SetFileIo(this)) {}
  ~FullDisk() override { platform::SetFileIo(previous_); }
  FullDisk(const FullDisk&) = delete;
  FullDisk& operator=(const FullDisk&) = delete;

  size_t Write(std::FILE* file, const void* data, size_t size) override {
    size_t passed = platform::FileIo::Write(file, data, std::min(size, left_));
    left_ -= passed;
    if (passed < size) errno = ENOSPC;
    return passed;
  }

 private:
  size_t left_;
  platform::FileIo* previous_;
};

#endif
