#include "dl/ExpectedDigest.h"

#include <cctype>
#include <vector>

#include "base/AsciiText.h"
#include "dl/Digest.h"
#include "util/Base64Decode.h"

namespace {

bool IsHex(std::string_view text) {
  for (char c : text)
    if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
  return true;
}

// The algorithm names the fields use, strongest first.
struct FieldAlgorithm {
  const char* field;
  const char* algorithm;
};
constexpr FieldAlgorithm kFieldAlgorithms[] = {{"sha-512", "sha512"}, {"sha-256", "sha256"}};

// Base64 text as hex of the bytes, when it decodes to exactly `bytes` of them.
std::optional<std::string> HexOfBase64(std::string_view text, size_t bytes) {
  for (char c : text)
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '+' && c != '/' && c != '=') return std::nullopt;
  std::vector<unsigned char> decoded(text.size());
  size_t produced = 0;
  if (Base64Decode(text.data(), text.size(), decoded.data(), &produced) != 0 || produced != bytes) return std::nullopt;
  return LowerHex(decoded.data(), produced);
}

// Members "name=value" of a comma-separated field, names lower-cased;
// parameters after ';' are left out.
std::vector<std::pair<std::string, std::string>> Members(const HeaderList& fields, std::string_view name) {
  std::vector<std::pair<std::string, std::string>> members;
  for (const auto& [field, value] : fields) {
    if (!SameHeaderName(field, name)) continue;
    std::string_view rest = value;
    while (!rest.empty()) {
      size_t comma = rest.find(',');
      std::string_view member = TrimSpaceTab(rest.substr(0, comma));
      member = member.substr(0, member.find(';'));
      size_t equals = member.find('=');
      if (equals != std::string_view::npos)
        members.emplace_back(AsciiLower(TrimSpaceTab(member.substr(0, equals))),
                             std::string(TrimSpaceTab(member.substr(equals + 1))));
      if (comma == std::string_view::npos) break;
      rest.remove_prefix(comma + 1);
    }
  }
  return members;
}

std::optional<ExpectedDigest> FromField(const HeaderList& fields, std::string_view name, bool structured,
                                        const char* source) {
  auto members = Members(fields, name);
  for (const auto& wanted : kFieldAlgorithms) {
    for (const auto& [key, value] : members) {
      if (key != wanted.field) continue;
      std::string_view text = value;
      if (structured) {
        // A byte sequence of a structured field sits between colons.
        if (text.size() < 2 || text.front() != ':' || text.back() != ':') continue;
        text = text.substr(1, text.size() - 2);
      }
      auto hex = HexOfBase64(text, Digest::HexLength(wanted.algorithm) / 2);
      if (hex) return ExpectedDigest{wanted.algorithm, *hex, source};
    }
  }
  return std::nullopt;
}

}  // namespace

bool ParseChecksumOption(std::string_view text, ExpectedDigest& out, std::string& error) {
  size_t equals = text.find('=');
  if (equals == std::string_view::npos)
    return error = "checksum must read ALGORITHM=HEX (sha256, sha512, sha1 or md5)", false;
  std::string algorithm = AsciiLower(TrimSpaceTab(text.substr(0, equals)));
  std::string_view hex = TrimSpaceTab(text.substr(equals + 1));
  size_t length = Digest::HexLength(algorithm);
  if (length == 0)
    return error = "checksum algorithm \"" + algorithm + "\" is not one of sha256, sha512, sha1, md5", false;
  if (hex.size() != length || !IsHex(hex))
    return error = "a " + algorithm + " checksum is " + std::to_string(length) + " hexadecimal digits", false;
  out = ExpectedDigest{algorithm, AsciiLower(hex), "option"};
  return true;
}

std::optional<ExpectedDigest> DigestFromAnswer(const HeaderList& fields) {
  if (auto found = FromField(fields, "Repr-Digest", true, "repr-digest")) return found;
  return FromField(fields, "Digest", false, "digest");
}
