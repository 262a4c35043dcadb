#include "platform/FileIo.h"

#include <atomic>
#include <cerrno>

namespace platform {
namespace {

FileIo& DefaultFileIo() {
  static FileIo io;
  return io;
}

std::atomic<FileIo*> installed{nullptr};

}  // namespace

std::FILE* FileIo::Open(const std::string& nativePath, const char* mode) {
  return std::fopen(nativePath.c_str(), mode);
}

size_t FileIo::Read(std::FILE* file, void* buffer, size_t size) { return std::fread(buffer, 1, size, file); }

size_t FileIo::Write(std::FILE* file, const void* data, size_t size) { return std::fwrite(data, 1, size, file); }

int FileIo::Close(std::FILE* file) { return std::fclose(file); }

int FileIo::Rename(const std::string& fromNative, const std::string& toNative) {
  return std::rename(fromNative.c_str(), toNative.c_str());
}

int FileIo::Remove(const std::string& nativePath) { return std::remove(nativePath.c_str()); }

FileIo& CurrentFileIo() {
  FileIo* io = installed.load(std::memory_order_acquire);
  return io ? *io : DefaultFileIo();
}

FileIo* SetFileIo(FileIo* io) {
  FileIo* previous = installed.exchange(io, std::memory_order_acq_rel);
  return previous ? previous : &DefaultFileIo();
}

std::FILE* OpenFileNative(const std::string& nativePath, const char* mode) {
  return CurrentFileIo().Open(nativePath, mode);
}

size_t ReadFile(std::FILE* file, void* buffer, size_t size) { return CurrentFileIo().Read(file, buffer, size); }

size_t WriteFile(std::FILE* file, const void* data, size_t size) {
  return CurrentFileIo().Write(file, data, size);
}

bool CloseFile(std::FILE* file) { return CurrentFileIo().Close(file) == 0; }

bool RenameFileNative(const std::string& fromNative, const std::string& toNative) {
  return CurrentFileIo().Rename(fromNative, toNative) == 0;
}

bool RemoveFileNative(const std::string& nativePath) { return CurrentFileIo().Remove(nativePath) == 0; }

int LastError() { return errno; }

void SetLastError(int errorNumber) { errno = errorNumber; }

}  // namespace platform
