#include "app/ConfigEncryptor.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "util/AesTables.h"
#include "util/ConfigFileText.h"
#include "util/waes_c.h"

namespace {

constexpr char kAlphabet[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

using Block = std::array<uint8_t, kAesBlockBytes>;  // byte row + 4 * column

void AddRoundKey(Block& state, const uint8_t* roundKey) {
  for (int i = 0; i < kAesBlockBytes; ++i) state[i] ^= roundKey[i];
}

void SubBytes(Block& state) {
  for (uint8_t& byte : state) byte = kAesSbox[byte];
}

// Row r moves left by r columns.
void ShiftRows(Block& state) {
  Block shifted;
  for (int row = 0; row < 4; ++row)
    for (int column = 0; column < 4; ++column)
      shifted[row + 4 * column] = state[row + 4 * ((column + row) % 4)];
  state = shifted;
}

void MixColumns(Block& state) {
  for (int column = 0; column < 4; ++column) {
    uint8_t* a = state.data() + 4 * column;
    const uint8_t c[4] = {a[0], a[1], a[2], a[3]};
    for (int row = 0; row < 4; ++row)
      a[row] = static_cast<uint8_t>(AesMultiply(c[row], 2) ^ AesMultiply(c[(row + 1) % 4], 3) ^
                                    c[(row + 2) % 4] ^ c[(row + 3) % 4]);
  }
}

void EncryptBlock(const AesContext& context, Block& state) {
  const uint8_t* keys = context.expandedKey.get();
  AddRoundKey(state, keys);
  for (int round = 1; round < context.rounds; ++round) {
    SubBytes(state);
    ShiftRows(state);
    MixColumns(state);
    AddRoundKey(state, keys + kAesBlockBytes * round);
  }
  SubBytes(state);
  ShiftRows(state);
  AddRoundKey(state, keys + kAesBlockBytes * context.rounds);
}

// The text, then zero bytes up to a block boundary with at least one of them.
std::string PadToBlocks(const std::string& text) {
  size_t blocks = text.size() / kAesBlockBytes + 1;
  std::string padded = text;
  padded.resize(blocks * kAesBlockBytes, '\0');
  return padded;
}

}  // namespace

std::string Base64Encode(const std::string& bytes) {
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  for (size_t i = 0; i < bytes.size(); i += 3) {
    size_t count = std::min<size_t>(3, bytes.size() - i);
    uint32_t bits = 0;
    for (size_t k = 0; k < 3; ++k)
      bits = (bits << 8) | (k < count ? static_cast<uint8_t>(bytes[i + k]) : 0);
    for (size_t k = 0; k < 4; ++k)
      out += k <= count ? kAlphabet[(bits >> (18 - 6 * k)) & 0x3f] : '=';
  }
  return out;
}

std::string EncryptConfigText(const std::string& plain) {
  std::string padded = PadToBlocks(Base64Encode(plain));
  std::array<uint8_t, 16> key = PrepareConfigKey(kConfigKeyText);
  AesContext context;
  AesSetKey(context, AesKeyDescriptor{static_cast<int32_t>(key.size()), key.data()});
  if (!context.expandedKey) return {};
  for (size_t offset = 0; offset < padded.size(); offset += kAesBlockBytes) {
    Block state;
    std::copy_n(reinterpret_cast<const uint8_t*>(padded.data()) + offset, kAesBlockBytes, state.begin());
    EncryptBlock(context, state);
    std::copy_n(state.begin(), kAesBlockBytes, reinterpret_cast<uint8_t*>(padded.data()) + offset);
  }
  return padded;
}
