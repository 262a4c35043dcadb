#include "util/Base64Decode.h"

#include <array>
#include <cstdint>

namespace {

constexpr char kAlphabet[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// Every byte outside the alphabet ('=' included) has the value 0.
constexpr std::array<uint8_t, 256> MakeReverseTable() {
  std::array<uint8_t, 256> table{};
  for (uint8_t value = 0; value < 64; ++value)
    table[static_cast<unsigned char>(kAlphabet[value])] = value;
  return table;
}

constexpr std::array<uint8_t, 256> kReverse = MakeReverseTable();

uint32_t ValueOf(char c) { return kReverse[static_cast<unsigned char>(c)]; }

// Bytes a group of `available` (1..4) characters yields: '=' in the third or
// fourth place ends it early, and so does the end of the input.
size_t GroupBytes(const char* group, size_t available) {
  if (available < 2) return 0;
  if (available < 3 || group[2] == '=') return 1;
  if (available < 4 || group[3] == '=') return 2;
  return 3;
}

}  // namespace

int Base64Decode(const char* input, size_t length, unsigned char* output, size_t* produced) {
  if (!input || !output || !produced) return 1;
  size_t written = 0;
  size_t position = 0;
  while (position < length) {
    if (input[position] == '\r' || input[position] == '\n') {
      ++position;
      continue;
    }
    const char* group = input + position;
    size_t available = length - position < 4 ? length - position : 4;
    uint32_t bits = 0;
    for (size_t i = 0; i < 4; ++i) bits = (bits << 6) | (i < available ? ValueOf(group[i]) : 0);
    size_t count = GroupBytes(group, available);
    for (size_t i = 0; i < count; ++i)
      output[written++] = static_cast<unsigned char>(bits >> (16 - 8 * i));
    position += 4;
  }
  *produced = written;
  return 0;
}
