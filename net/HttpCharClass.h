// Character classes of HTTP/1.x message syntax, one table lookup per byte:
// the head and chunk-line scanners consult it instead of comparison chains.
#ifndef VELMORA_NET_HTTPCHARCLASS_H
#define VELMORA_NET_HTTPCHARCLASS_H

#include <array>
#include <cstdint>
#include <string_view>

namespace http_char {

enum : uint8_t {
  kToken = 1,    // may stand in a field name or a coding name
  kBlank = 2,    // SP or HT
  kControl = 4,  // a control character other than HT, CR and LF (and DEL)
  kCR = 8,
  kLF = 16,
  kHex = 32,     // a hexadecimal digit
};

constexpr std::array<uint8_t, 256> MakeTable() {
  std::array<uint8_t, 256> table{};
  for (int c = 0; c < 0x20; ++c) table[c] = kControl;
  table[0x7F] = kControl;
  table['\t'] = kBlank;
  table[' '] = kBlank;
  table['\r'] = kCR;
  table['\n'] = kLF;
  for (char c : std::string_view("!#$%&'*+-.^_`|~")) table[static_cast<unsigned char>(c)] |= kToken;
  for (int c = '0'; c <= '9'; ++c) table[c] |= kToken | kHex;
  for (int c = 'a'; c <= 'z'; ++c) table[c] |= kToken;
  for (int c = 'A'; c <= 'Z'; ++c) table[c] |= kToken;
  for (int c = 'a'; c <= 'f'; ++c) table[c] |= kHex;
  for (int c = 'A'; c <= 'F'; ++c) table[c] |= kHex;
  return table;
}

inline constexpr std::array<uint8_t, 256> kTable = MakeTable();

constexpr bool Is(unsigned char c, uint8_t classes) { return (kTable[c] & classes) != 0; }

constexpr int HexValue(unsigned char c) {
  return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
}

}  // namespace http_char

#endif
