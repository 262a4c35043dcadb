#include "util/ConfigFileText.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "base/ReportError.h"
#include "platform/ErrorText.h"
#include "platform/Files.h"
#include "platform/Path.h"
#include "util/Base64Decode.h"
#include "util/waes_c.h"

namespace {

constexpr const char* kStem = "ConfigFileText";

// One block beyond the file's whole blocks, zero-padded: the normal file (the
// text ending inside it) never reaches the extra block.
std::vector<uint8_t> DecryptPadded(const std::string& encrypted) {
  size_t blocks = encrypted.size() / kAesBlockBytes + 1;
  std::vector<uint8_t> input(blocks * kAesBlockBytes, 0);
  std::memcpy(input.data(), encrypted.data(), encrypted.size());
  // One zero byte beyond the last block ends the text even when no block
  // decrypted to one.
  std::vector<uint8_t> plain(input.size() + 1, 0);

  std::array<uint8_t, 16> keyBytes = PrepareConfigKey(kConfigKeyText);
  AesContext context;
  AesSetKey(context, AesKeyDescriptor{static_cast<int32_t>(keyBytes.size()), keyBytes.data()});
  keyBytes.fill(0);
  size_t produced = 0;
  AesDecryptBuffer(plain.data(), input.size(), input.data(), &produced, context);
  AesRelease(context);
  return plain;
}

size_t MarkLength(const std::vector<uint8_t>& text, size_t size) {
  if (size >= 3 && text[0] == 0xEF && text[1] == 0xBB && text[2] == 0xBF) return 3;
  if (size >= 2 && text[0] == 0xFF && text[1] == 0xFE) return 2;
  return 0;
}

std::optional<std::string> ReadWholeFile(const char* path, size_t limit) {
  std::string bytes;
  int error = platform::ReadSmallFile(platform::NativePathFromAnsi(path), limit, bytes);
  if (error == EFBIG) {
    ReportErrorText(kStem, __LINE__, "configuration file too large: " + std::string(path));
    return std::nullopt;
  }
  if (error) {
    ReportErrorText(kStem, __LINE__, "read " + std::string(path) + ": " + platform::ErrorText(error));
    return std::nullopt;
  }
  return bytes;
}

}  // namespace

std::string DecryptConfigText(const std::string& encrypted) {
  std::vector<uint8_t> plain = DecryptPadded(encrypted);
  const char* base64 = reinterpret_cast<const char*>(plain.data());
  size_t textLength = std::strlen(base64);

  std::vector<uint8_t> decoded(textLength + 1, 0);
  size_t decodedLength = 0;
  Base64Decode(base64, textLength, decoded.data(), &decodedLength);

  size_t mark = MarkLength(decoded, decodedLength);
  size_t allowed = encrypted.size() > mark ? encrypted.size() - mark : 0;
  size_t length = std::min(decodedLength - mark, allowed);
  return std::string(reinterpret_cast<const char*>(decoded.data()) + mark, length);
}

std::optional<std::string> ReadConfigFileText(const char* path, size_t limit) {
  if (!path) return std::nullopt;
  std::optional<std::string> bytes = ReadWholeFile(path, limit);
  if (!bytes) return std::nullopt;
  return DecryptConfigText(*bytes);
}
