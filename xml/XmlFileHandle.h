// An open XML text file with the failure records of opening, reading,
// writing and closing it. Paths follow the platform rules: UTF-16 in,
// UTF-8 to the OS, `\` accepted as a separator.
#ifndef VELMORA_XML_XMLFILEHANDLE_H
#define VELMORA_XML_XMLFILEHANDLE_H

#include <cstdint>
#include <cstdio>
#include <string_view>

#include "xml/XmlFileRecord.h"

namespace xmlenc {

class XmlFileHandle {
 public:
  enum class Mode { Read, Write };

  // Opens `fileName` in binary mode; on failure adds "file_error" to `records`.
  XmlFileHandle(std::u16string_view fileName, Mode mode, XmlFileRecords& records);
  ~XmlFileHandle();
  XmlFileHandle(const XmlFileHandle&) = delete;
  XmlFileHandle& operator=(const XmlFileHandle&) = delete;

  bool IsOpen() const { return file_ != nullptr; }

  // Length of the file in bytes, or -1 (with a "file_error") when it is not a
  // file we can read whole.
  int64_t Length();
  // Reads exactly `size` bytes; false (with a "file_error") otherwise.
  bool ReadExactly(char* buffer, size_t size);
  // Writes all `size` bytes; false (with a "file_error") otherwise.
  bool WriteAll(const void* data, size_t size);
  // Closes the file; false (with a "file_error") when buffered data could not
  // reach the disk. Later calls do nothing and return true.
  bool Close();

 private:
  void AddError(int errorNumber);

  std::FILE* file_ = nullptr;
  XmlFileRecords& records_;
};

// The "file_error" record: the system's text for `errorNumber` (at most 99
// characters, cut at the first line break) and the number.
XmlFileRecord FileErrorRecord(int errorNumber);

}  // namespace xmlenc

#endif
