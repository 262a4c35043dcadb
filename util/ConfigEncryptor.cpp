#include "util/ConfigEncryptor.h"

#include <array>
#include <cstdint>

#include "util/AesEncrypt.h"
#include "util/Base64Encode.h"
#include "util/ConfigFileText.h"
#include "util/waes_c.h"

namespace {

// The text, then zero bytes up to a block boundary with at least one of them.
std::string PadToBlocks(const std::string& text) {
  size_t blocks = text.size() / kAesBlockBytes + 1;
  std::string padded = text;
  padded.resize(blocks * kAesBlockBytes, '\0');
  return padded;
}

}  // namespace

std::string EncryptConfigText(const std::string& plain) {
  std::string padded = PadToBlocks(Base64Encode(plain));
  std::array<uint8_t, 16> key = PrepareConfigKey(kConfigKeyText);
  AesContext context;
  AesSetKey(context, AesKeyDescriptor{static_cast<int32_t>(key.size()), key.data()});
  if (!context.expandedKey) return {};
  for (size_t offset = 0; offset < padded.size(); offset += kAesBlockBytes) {
    auto* block = reinterpret_cast<uint8_t*>(padded.data()) + offset;
    AesEncryptBlock(context, block, block);
  }
  return padded;
}
