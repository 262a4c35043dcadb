#include "util/waes_c.h"

#include <algorithm>
#include <cstring>
#include <string>

#include <string.h>  // explicit_bzero

#include "base/Md5.h"
#include "base/ReportError.h"
#include "base/ResultCode.h"
#include "util/AesTables.h"

namespace {

constexpr const char* kStem = "waes_c";

AesAllocator gAllocator = nullptr;

AesBytes Allocate(size_t size) {
  void* block = gAllocator ? gAllocator(size) : std::malloc(size);
  return AesBytes(static_cast<uint8_t*>(block));
}

void Wipe(AesBytes& buffer, size_t size) {
  if (buffer) explicit_bzero(buffer.get(), size);
  buffer.reset();
}

bool IsKeyed(const AesContext& context) {
  if (!context.keyCopy || !context.expandedKey) return false;
  return std::all_of(context.stateRows.begin(), context.stateRows.end(),
                     [](const AesBytes& row) { return row != nullptr; });
}

void SetKeySize(AesContext& context, int32_t keyLength) {
  context.blockWords = 4;
  context.keyWords = keyLength == 16 ? 4 : keyLength == 24 ? 6 : 8;
  context.rounds = context.keyWords + 6;
}

// Allocates everything at once; on any failure frees what was allocated so
// the context is plainly unkeyed rather than half set up.
bool AllocateBuffers(AesContext& context) {
  context.keyCopy = Allocate(static_cast<size_t>(context.keyWords) * 4);
  context.expandedKey = Allocate(static_cast<size_t>(context.rounds + 1) * kAesBlockBytes);
  context.workWord = Allocate(4);
  for (AesBytes& row : context.stateRows) row = Allocate(4);
  if (IsKeyed(context) && context.workWord) return true;
  AesRelease(context);
  return false;
}

void CopyKey(AesContext& context, const AesKeyDescriptor& key) {
  size_t size = static_cast<size_t>(context.keyWords) * 4;
  size_t available = key.length > 0 ? static_cast<size_t>(key.length) : 0;
  size_t taken = std::min(size, available);
  std::memset(context.keyCopy.get(), 0, size);
  std::memcpy(context.keyCopy.get(), key.bytes, taken);
}

void ExpandKey(AesContext& context) {
  const int nk = context.keyWords;
  const int totalWords = 4 * (context.rounds + 1);
  uint8_t* words = context.expandedKey.get();
  uint8_t* temp = context.workWord.get();
  std::memcpy(words, context.keyCopy.get(), static_cast<size_t>(nk) * 4);
  for (int i = nk; i < totalWords; ++i) {
    std::memcpy(temp, words + 4 * (i - 1), 4);
    if (i % nk == 0) {
      std::rotate(temp, temp + 1, temp + 4);
      for (int b = 0; b < 4; ++b) temp[b] = kAesSbox[temp[b]];
      temp[0] ^= kAesRoundConstants[i / nk - 1];
    } else if (nk > 6 && i % nk == 4) {
      for (int b = 0; b < 4; ++b) temp[b] = kAesSbox[temp[b]];
    }
    for (int b = 0; b < 4; ++b) words[4 * i + b] = words[4 * (i - nk) + b] ^ temp[b];
  }
}

// Round-key byte 4c + r belongs to state row r, column c.
void AddRoundKey(AesContext& context, int round) {
  const uint8_t* roundKey = context.expandedKey.get() + kAesBlockBytes * round;
  for (int row = 0; row < 4; ++row)
    for (int column = 0; column < 4; ++column)
      context.stateRows[row][column] ^= roundKey[4 * column + row];
}

void InverseShiftRows(AesContext& context) {
  for (int row = 1; row < 4; ++row) {
    uint8_t* bytes = context.stateRows[row].get();
    std::rotate(bytes, bytes + 4 - row, bytes + 4);
  }
}

void InverseSubBytes(AesContext& context) {
  for (AesBytes& row : context.stateRows)
    for (int column = 0; column < 4; ++column) row[column] = kAesInverseSbox[row[column]];
}

void InverseMixColumns(AesContext& context) {
  for (int column = 0; column < 4; ++column) {
    uint8_t a[4];
    for (int row = 0; row < 4; ++row) a[row] = context.stateRows[row][column];
    for (int row = 0; row < 4; ++row) {
      context.stateRows[row][column] = static_cast<uint8_t>(
          AesMultiply(a[row], 0x0e) ^ AesMultiply(a[(row + 1) % 4], 0x0b) ^
          AesMultiply(a[(row + 2) % 4], 0x0d) ^ AesMultiply(a[(row + 3) % 4], 0x09));
    }
  }
}

}  // namespace

void AesRelease(AesContext& context) {
  // The key material is wiped, not just freed: it must not outlive its use.
  Wipe(context.keyCopy, static_cast<size_t>(context.keyWords) * 4);
  Wipe(context.expandedKey, static_cast<size_t>(context.rounds + 1) * kAesBlockBytes);
  Wipe(context.workWord, 4);
  for (AesBytes& row : context.stateRows) Wipe(row, 4);
}

void AesSetKey(AesContext& context, const AesKeyDescriptor& key) {
  AesRelease(context);
  SetKeySize(context, key.length);
  if (!key.bytes) {
    ReportErrorText(kStem, __LINE__, kResultMessages[InitParamsError]);
    return;
  }
  if (!AllocateBuffers(context)) {
    ReportErrorText(kStem, __LINE__, kResultMessages[MallocError]);
    return;
  }
  CopyKey(context, key);
  ExpandKey(context);
}

void AesDecryptBlock(AesContext& context, const uint8_t* input, uint8_t* output) {
  if (!IsKeyed(context) || !input || !output) return;
  for (int i = 0; i < kAesBlockBytes; ++i) context.stateRows[i % 4][i / 4] = input[i];
  AddRoundKey(context, context.rounds);
  for (int round = context.rounds - 1; round >= 1; --round) {
    InverseShiftRows(context);
    InverseSubBytes(context);
    AddRoundKey(context, round);
    InverseMixColumns(context);
  }
  InverseShiftRows(context);
  InverseSubBytes(context);
  AddRoundKey(context, 0);
  for (int i = 0; i < kAesBlockBytes; ++i) output[i] = context.stateRows[i % 4][i / 4];
}

int AesDecryptBuffer(uint8_t* output, size_t length, const uint8_t* input,
                     size_t* produced, AesContext& context) {
  if (produced) *produced = 0;
  if (!input || !output || !produced || length % kAesBlockBytes != 0) return 1;
  for (size_t offset = 0; offset < length; offset += kAesBlockBytes) {
    AesDecryptBlock(context, input + offset, output + offset);
    *produced += kAesBlockBytes;
  }
  return 0;
}

std::array<uint8_t, 16> PrepareConfigKey(const char* keyText) {
  std::array<uint8_t, 16> key{};
  std::string hex = Md5Hex(keyText ? keyText : "");
  std::memcpy(key.data(), hex.data(), std::min(hex.size(), key.size()));
  return key;
}

AesAllocator SetAesAllocator(AesAllocator allocator) {
  AesAllocator previous = gAllocator;
  gAllocator = allocator;
  return previous;
}
