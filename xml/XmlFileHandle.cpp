// stdio over the platform path rules; every failure becomes a "file_error"
// record carrying the error number and its text, never an exception.
#include "xml/XmlFileHandle.h"

#include <cerrno>
#include <string>

#include "platform/ErrorText.h"
#include "platform/FileIo.h"
#include "platform/Path.h"
#include "platform/Utf8Codec.h"

namespace xmlenc {
namespace {

constexpr size_t kMaxMessageUnits = 99;
// Document offsets are 32-bit; a larger file could not be indexed, and
// reading one whole would only exhaust memory.
constexpr int64_t kMaxFileLength = int64_t{1} << 30;

std::u16string MessageText(int errorNumber) {
  std::string text = platform::ErrorText(errorNumber);
  text = text.substr(0, text.find_first_of("\r\n"));
  std::u16string wide;
  platform::AppendUtf8AsUtf16(text, wide);
  if (wide.size() > kMaxMessageUnits) wide.resize(kMaxMessageUnits);
  return wide;
}

}  // namespace

XmlFileRecord FileErrorRecord(int errorNumber) {
  XmlFileRecord record;
  record.name = u"file_error";
  record.textAttr = u"msg";
  record.text = MessageText(errorNumber);
  record.numberAttr = u"n";
  record.number = errorNumber;
  return record;
}

XmlFileHandle::XmlFileHandle(std::u16string_view fileName, Mode mode, XmlFileRecords& records)
    : records_(records) {
  std::string native = platform::NativePathFromWide(fileName);
  file_ = platform::OpenFile(native, mode == Mode::Read ? "rb" : "wb");
  if (!file_) AddError(platform::LastError());
}

XmlFileHandle::~XmlFileHandle() {
  if (file_) platform::CloseFile(file_);
}

void XmlFileHandle::AddError(int errorNumber) { records_.push_back(FileErrorRecord(errorNumber)); }

int64_t XmlFileHandle::Length() {
  int64_t size = -1;
  if (int error = platform::StreamSize(file_, size)) {
    AddError(error);
    return -1;
  }
  if (size < 0) return 0;  // devices and pipes have no length to read
  if (size > kMaxFileLength) {
    AddError(EFBIG);
    return -1;
  }
  return size;
}

bool XmlFileHandle::ReadExactly(char* buffer, size_t size) {
  if (size == 0) return true;
  if (platform::ReadFile(file_, buffer, size) == size) return true;
  // A file cut short while we read it has no error number of its own.
  AddError(platform::StreamFailed(file_) ? platform::LastError() : EIO);
  return false;
}

bool XmlFileHandle::WriteAll(const void* data, size_t size) {
  if (size == 0) return true;
  if (platform::WriteFile(file_, data, size) == size) return true;
  AddError(platform::LastError());
  return false;
}

bool XmlFileHandle::Close() {
  if (!file_) return true;
  std::FILE* file = file_;
  file_ = nullptr;
  if (platform::CloseFile(file)) return true;
  AddError(platform::LastError());
  return false;
}

}  // namespace xmlenc
