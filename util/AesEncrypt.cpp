// The forward cipher (FIPS-197), for the deployers' tool that writes the
// configuration file; the program itself only decrypts.
#include "util/AesEncrypt.h"

#include <algorithm>
#include <array>

#include "util/AesTables.h"

namespace {

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

}  // namespace

void AesEncryptBlock(const AesContext& context, const uint8_t* input, uint8_t* output) {
  if (!context.expandedKey || !input || !output) return;
  Block state;
  std::copy_n(input, kAesBlockBytes, state.begin());
  EncryptBlock(context, state);
  std::copy_n(state.begin(), kAesBlockBytes, output);
}
