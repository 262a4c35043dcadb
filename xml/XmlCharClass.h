// The 256-entry character-class table behind every scanning loop of the XML
// engine. Units from 128 up (and every unit above 255) share one class: they
// start names and never delimit anything.
#ifndef VELMORA_XML_XMLCHARCLASS_H
#define VELMORA_XML_XMLCHARCLASS_H

#include <array>
#include <cstdint>

enum XmlCharClassBit : uint8_t {
  kCcSpace = 1,           // TAB LF CR space
  kCcTagNameEnd = 2,      // ends a tag name when reading: space ! " ' / ; < = > ? backslash
  kCcBuilderNameEnd = 4,  // ends a name for end-tag matching: space / >
  kCcNameStart = 8,       // may follow '<' in a start tag: : _ letters, anything above '`'
  kCcTagStop = 16,        // interrupts a start-tag scan: > =
  kCcAttrEnd = 32,        // ends an attribute token: space / = > ?
  kCcNameContinue = 64,   // a requested name may go on with: space / = [ ]
};

namespace xmlcc {

constexpr bool IsSpace(unsigned c) { return c == 9 || c == 10 || c == 13 || c == 32; }

constexpr uint8_t ClassOf(unsigned c) {
  uint8_t k = 0;
  if (IsSpace(c)) k |= kCcSpace | kCcTagNameEnd | kCcBuilderNameEnd | kCcAttrEnd;
  switch (c) {
    case '!': case '"': case '\'': case ';': case '<': case '\\': k |= kCcTagNameEnd; break;
    case '/': k |= kCcTagNameEnd | kCcBuilderNameEnd | kCcAttrEnd | kCcNameContinue; break;
    case '=': k |= kCcTagNameEnd | kCcTagStop | kCcAttrEnd | kCcNameContinue; break;
    case '>': k |= kCcTagNameEnd | kCcBuilderNameEnd | kCcTagStop | kCcAttrEnd; break;
    case '?': k |= kCcTagNameEnd | kCcAttrEnd; break;
    case '[': case ']': k |= kCcNameContinue; break;
    default: break;
  }
  if (c == 32) k |= kCcNameContinue;
  if (c == ':' || c == '_' || (c >= 'A' && c <= 'Z') || c > 0x60) k |= kCcNameStart;
  return k;
}

constexpr std::array<uint8_t, 256> MakeTable() {
  std::array<uint8_t, 256> t{};
  for (unsigned c = 0; c < 256; ++c) t[c] = ClassOf(c);
  return t;
}

inline constexpr std::array<uint8_t, 256> kTable = MakeTable();

}  // namespace xmlcc

inline uint8_t XmlCharClass(char16_t c) { return xmlcc::kTable[c < 256 ? c : 255]; }
inline bool XmlIs(char16_t c, uint8_t bits) { return (XmlCharClass(c) & bits) != 0; }

#endif
