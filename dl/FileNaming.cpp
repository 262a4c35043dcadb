#include "dl/FileNaming.h"

#include <algorithm>
#include <cctype>

#include "base/AsciiText.h"
#include "platform/CodePage.h"
#include "platform/Utf8Codec.h"

namespace {

constexpr size_t kMaxNameBytes = 200;  // leaves room for ".part.rec" and " (n)"

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string PercentDecode(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size()) {
      int high = HexValue(text[i + 1]), low = HexValue(text[i + 2]);
      if (high >= 0 && low >= 0) {
        out += static_cast<char>(high * 16 + low);
        i += 2;
        continue;
      }
    }
    out += text[i];
  }
  return out;
}

std::string ToUtf8From(unsigned codePage, std::string_view bytes) {
  auto wide = platform::DecodeToUtf16(codePage, bytes);
  std::string out;
  if (wide) platform::AppendUtf16AsUtf8(*wide, out);
  return out;
}

// Bytes that are not UTF-8 are taken as the ANSI code page.
std::string AsUtf8(std::string_view bytes) {
  if (platform::IsWellFormedUtf8(bytes)) return std::string(bytes);
  return ToUtf8From(platform::kCpAcp, bytes);
}

// One parameter value: a quoted string (backslash escapes undone) or a
// token up to the next ';'. `at` moves past it.
std::string ParameterValue(std::string_view value, size_t& at) {
  while (at < value.size() && (value[at] == ' ' || value[at] == '\t')) ++at;
  std::string out;
  if (at < value.size() && value[at] == '"') {
    for (++at; at < value.size() && value[at] != '"'; ++at) {
      if (value[at] == '\\' && at + 1 < value.size()) ++at;
      out += value[at];
    }
    if (at < value.size()) ++at;
    while (at < value.size() && value[at] != ';') ++at;
    return out;
  }
  size_t end = value.find(';', at);
  if (end == std::string_view::npos) end = value.size();
  out = std::string(TrimSpaceTab(value.substr(at, end - at)));
  at = end;
  return out;
}

// RFC 5987: charset'language'percent-encoded-bytes.
std::string DecodeExtendedValue(const std::string& value) {
  size_t first = value.find('\'');
  size_t second = first == std::string::npos ? std::string::npos : value.find('\'', first + 1);
  if (second == std::string::npos) return {};
  std::string charset = AsciiLower(value.substr(0, first));
  std::string bytes = PercentDecode(value.substr(second + 1));
  if (charset == "utf-8") return platform::IsWellFormedUtf8(bytes) ? bytes : std::string();
  if (charset == "iso-8859-1") {
    std::u16string wide(bytes.begin(), bytes.end());
    for (size_t i = 0; i < bytes.size(); ++i) wide[i] = static_cast<unsigned char>(bytes[i]);
    std::string out;
    platform::AppendUtf16AsUtf8(wide, out);
    return out;
  }
  return {};
}

bool IsRefused(unsigned char c) {
  return c < 0x20 || c == 0x7f || std::string_view("/\\:*?\"<>|").find(static_cast<char>(c)) != std::string_view::npos;
}

// Cuts at a UTF-8 character boundary.
std::string CutUtf8(std::string text, size_t maxBytes) {
  if (text.size() <= maxBytes) return text;
  size_t cut = maxBytes;
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
  text.resize(cut);
  return text;
}

}  // namespace

std::string FileNameFromContentDisposition(std::string_view value) {
  std::string plain, extended;
  size_t at = value.find(';');
  while (at != std::string_view::npos && at < value.size()) {
    ++at;  // past ';'
    size_t equals = value.find('=', at);
    if (equals == std::string_view::npos) break;
    std::string name = AsciiLower(TrimSpaceTab(value.substr(at, equals - at)));
    at = equals + 1;
    std::string parameter = ParameterValue(value, at);
    if (name == "filename*" && extended.empty()) extended = DecodeExtendedValue(parameter);
    else if (name == "filename" && plain.empty()) plain = parameter;
  }
  if (!extended.empty()) return extended;
  return AsUtf8(plain);
}

std::string FileNameFromUrl(std::string_view url) {
  size_t scheme = url.find("://");
  if (scheme != std::string_view::npos) url.remove_prefix(scheme + 3);
  size_t cut = url.find_first_of("?#");
  if (cut != std::string_view::npos) url = url.substr(0, cut);
  size_t slash = url.find('/');
  if (slash == std::string_view::npos) return {};
  url.remove_prefix(slash);
  while (!url.empty() && url.back() == '/') url.remove_suffix(1);
  size_t last = url.find_last_of('/');
  return AsUtf8(PercentDecode(url.substr(last + 1)));
}

std::string SafeFileName(std::string_view name) {
  // Only the base name: whatever stands before the last separator goes.
  size_t separator = name.find_last_of("/\\");
  if (separator != std::string_view::npos) name.remove_prefix(separator + 1);
  std::string out;
  for (char c : name) out += IsRefused(static_cast<unsigned char>(c)) ? '_' : c;
  // Blanks and dots at the ends make names the desktop cannot open.
  size_t begin = out.find_first_not_of(' ');
  size_t end = out.find_last_not_of(". ");
  out = begin == std::string::npos || end == std::string::npos || end < begin ? std::string()
                                                                              : out.substr(begin, end - begin + 1);
  out = CutUtf8(AsUtf8(out), kMaxNameBytes);
  return out.empty() ? std::string("download") : out;
}

std::string UniqueFileName(const std::string& name, const std::function<bool(const std::string&)>& taken) {
  if (!taken(name)) return name;
  size_t dot = name.find_last_of('.');
  if (dot == 0) dot = std::string::npos;  // ".profile" has no extension
  std::string stem = dot == std::string::npos ? name : name.substr(0, dot);
  std::string extension = dot == std::string::npos ? std::string() : name.substr(dot);
  for (int n = 1;; ++n) {
    std::string candidate = stem + " (" + std::to_string(n) + ")" + extension;
    if (!taken(candidate)) return candidate;
  }
}

std::string AnswerFileName(std::string_view contentDisposition, std::string_view answeredUrl,
                           std::string_view addedUrl) {
  std::string proposed = FileNameFromContentDisposition(contentDisposition);
  if (proposed.empty()) proposed = FileNameFromUrl(answeredUrl);
  if (proposed.empty()) proposed = FileNameFromUrl(addedUrl);
  return SafeFileName(proposed);
}
