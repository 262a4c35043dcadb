// Byte-level steps of reading and writing XML text files: byte-order marks,
// the UTF-8 test, NUL removal, UTF-16 byte swapping and the conversions
// between a file's code page and the document's UTF-16 text.
#ifndef VELMORA_XML_XMLENCODING_H
#define VELMORA_XML_XMLENCODING_H

#include <cstddef>
#include <string>
#include <string_view>

namespace xmlenc {

// Document flags that record a file's byte-order mark.
inline constexpr int kFlagUtf16LE = 1;
inline constexpr int kFlagUtf8Mark = 4;
inline constexpr int kFlagUtf16BE = 128;
inline constexpr int kMarkFlags = kFlagUtf16LE | kFlagUtf8Mark | kFlagUtf16BE;

struct ByteOrderMark {
  std::string_view bytes;
  std::u16string_view name;
  int flag;
  int unitSize;  // 2 for the UTF-16 marks: the file is read as 16-bit units
};

// The first mark (in table order) that `head` starts with, or nullptr.
const ByteOrderMark* DetectByteOrderMark(std::string_view head);
// The first mark (in table order) whose flag is in `flags`, or nullptr.
const ByteOrderMark* ByteOrderMarkForFlags(int flags);

// The mark a UTF-16 code page (1200, 1201) must be written with, or nullptr.
const ByteOrderMark* ByteOrderMarkForCodePage(int codePage);

// UTF-16 and UTF-32 code pages: their text is never readable byte-wise.
bool IsWideCodePage(int codePage);

// The loose UTF-8 test: lead bytes decide the sequence length and every
// further byte must be >= 0x80; overlong forms pass.
bool PassesUtf8Test(std::string_view bytes);

// Drops every zero byte / zero unit in place; returns how many were dropped.
size_t RemoveNulBytes(std::string& bytes);
size_t RemoveNulUnits(std::u16string& units);

// Swaps the two bytes of every unit (UTF-16BE <-> UTF-16LE).
void SwapUnitBytes(std::u16string& units);

// Bytes in `codePage` to UTF-16. Code page kCpUtf32Own is read here as 32-bit
// little-endian code points; a code page the platform cannot convert (or a
// negative one) is read as the ANSI code page.
std::u16string DecodeFromCodePage(int codePage, std::string_view bytes);

struct EncodedText {
  std::string bytes;
  size_t units = 0;   // characters written: bytes, or code points for UTF-32
  bool lossy = false; // a character became the default character
};

// UTF-16 to `codePage`, under the same rules as DecodeFromCodePage. Loss is
// not reported for the code pages whose converters cannot report it.
EncodedText EncodeToCodePage(int codePage, std::u16string_view text);

}  // namespace xmlenc

#endif
