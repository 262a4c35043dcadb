// Encoding names to Windows code-page numbers, for the encodings that XML and
// HTML texts declare and that files are read and written in.
#ifndef VELMORA_XML_XMLENCODINGTABLE_H
#define VELMORA_XML_XMLENCODINGTABLE_H

#include <string_view>
#include <vector>

namespace xmlenc {

// This engine's own number for UTF-32 (little-endian), converted without the
// platform: no system code page carries it.
inline constexpr int kCpUtf32Own = 65005;
inline constexpr int kCpUnknown = -1;

// Code page of an encoding name: 0 for an empty name (the ANSI code page),
// kCpUtf32Own for any name that begins with exactly "UTF-32", the table's
// number for a known alias (ASCII case ignored), kCpUnknown otherwise.
int CodePageFromEncodingName(std::u16string_view name);

struct EncodingAlias {
  std::string_view name;  // lower case
  int codePage;
};

// Every alias in table order (for tests and tools).
std::vector<EncodingAlias> EncodingAliases();

}  // namespace xmlenc

#endif
