// Conversions go through the platform code-page layer, except this engine's
// own UTF-32 (kCpUtf32Own), which no system code page carries.
#include "xml/XmlEncoding.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "platform/CodePage.h"
#include "xml/XmlEncodingTable.h"

namespace xmlenc {
namespace {

constexpr ByteOrderMark kMarks[] = {
    {"\xEF\xBB\xBF", u"UTF-8", kFlagUtf8Mark, 1},
    {"\xFF\xFE", u"UTF-16LE", kFlagUtf16LE, 2},
    {"\xFE\xFF", u"UTF-16BE", kFlagUtf16BE, 2},
};

constexpr char32_t kMaxCodePoint = 0x10FFFF;
constexpr char16_t kReplacement = 0xFFFD;

bool IsHighSurrogate(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsLowSurrogate(char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }
bool IsSurrogate(char16_t u) { return u >= 0xD800 && u <= 0xDFFF; }

// The converters of these code pages cannot say whether they substituted.
bool LossIsUnchecked(int codePage) {
  return (codePage >= 50220 && codePage <= 50222) || codePage == 50225 || codePage == 50227 ||
         codePage == 50229 || codePage == 52936 || codePage == 54936 ||
         (codePage >= 57002 && codePage <= 57011) || codePage == 65000 || codePage == 65001;
}

// Unknown names and code pages the platform lacks fall back to the ANSI page.
unsigned PlatformCodePage(int codePage) {
  if (codePage <= 0) return platform::kCpAcp;
  unsigned cp = static_cast<unsigned>(codePage);
  return platform::IsCodePageSupported(cp) ? cp : platform::kCpAcp;
}

std::u16string DecodeUtf32(std::string_view bytes) {
  std::u16string out;
  size_t count = bytes.size() / 4;
  out.reserve(count);
  for (size_t i = 0; i < count; ++i) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data() + i * 4);
    char32_t cp = char32_t{p[0]} | char32_t{p[1]} << 8 | char32_t{p[2]} << 16 | char32_t{p[3]} << 24;
    if (cp > kMaxCodePoint) {
      out.push_back(kReplacement);  // no UTF-16 form exists
    } else if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
  }
  return out;
}

void AppendUtf32(std::string& out, char32_t cp) {
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<char>((cp >> shift) & 0xFF));
}

// Only a proper pair combines; a lone surrogate anywhere becomes '?', as one
// at the end does, so a malformed pair cannot swallow the unit after it.
EncodedText EncodeUtf32(std::u16string_view text) {
  EncodedText result;
  result.bytes.reserve(text.size() * 4);
  for (size_t i = 0; i < text.size(); ++i) {
    char16_t unit = text[i];
    char32_t cp = unit;
    if (IsHighSurrogate(unit) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      cp = 0x10000 + ((char32_t{unit} - 0xD800) << 10) + (char32_t{text[i + 1]} - 0xDC00);
      ++i;
    } else if (IsSurrogate(unit)) {
      cp = U'?';
    }
    AppendUtf32(result.bytes, cp);
    ++result.units;
  }
  return result;
}

}  // namespace

const ByteOrderMark* DetectByteOrderMark(std::string_view head) {
  for (const auto& mark : kMarks)
    if (head.substr(0, mark.bytes.size()) == mark.bytes) return &mark;
  return nullptr;
}

const ByteOrderMark* ByteOrderMarkForFlags(int flags) {
  for (const auto& mark : kMarks)
    if (flags & mark.flag) return &mark;
  return nullptr;
}

const ByteOrderMark* ByteOrderMarkForCodePage(int codePage) {
  if (codePage == static_cast<int>(platform::kCpUtf16LE)) return ByteOrderMarkForFlags(kFlagUtf16LE);
  if (codePage == static_cast<int>(platform::kCpUtf16BE)) return ByteOrderMarkForFlags(kFlagUtf16BE);
  return nullptr;
}

bool IsWideCodePage(int codePage) {
  return codePage == 1200 || codePage == 1201 || codePage == 12000 || codePage == 12001 ||
         codePage == kCpUtf32Own;
}

bool PassesUtf8Test(std::string_view bytes) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  size_t size = bytes.size();
  size_t i = 0;
  while (i < size) {
    unsigned char lead = p[i++];
    if (lead < 0x80) continue;
    size_t further = !(lead & 0x20) ? 1 : !(lead & 0x10) ? 2 : !(lead & 0x08) ? 3 : 0;
    if (further == 0) return false;
    for (; further; --further, ++i)
      if (i >= size || p[i] < 0x80) return false;
  }
  return true;
}

size_t RemoveNulBytes(std::string& bytes) {
  auto first = std::find(bytes.begin(), bytes.end(), '\0');
  if (first == bytes.end()) return 0;
  auto end = std::remove(first, bytes.end(), '\0');
  size_t removed = static_cast<size_t>(bytes.end() - end);
  bytes.erase(end, bytes.end());
  return removed;
}

size_t RemoveNulUnits(std::u16string& units) {
  auto end = std::remove(units.begin(), units.end(), u'\0');
  size_t removed = static_cast<size_t>(units.end() - end);
  units.erase(end, units.end());
  return removed;
}

void SwapUnitBytes(std::u16string& units) {
  for (auto& unit : units) unit = static_cast<char16_t>((unit >> 8) | (unit << 8));
}

std::u16string DecodeFromCodePage(int codePage, std::string_view bytes) {
  if (codePage == kCpUtf32Own) return DecodeUtf32(bytes);
  std::optional<std::u16string> text = platform::DecodeToUtf16(PlatformCodePage(codePage), bytes);
  return text ? std::move(*text) : std::u16string();
}

EncodedText EncodeToCodePage(int codePage, std::u16string_view text) {
  if (codePage == kCpUtf32Own) return EncodeUtf32(text);
  EncodedText result;
  bool usedDefault = false;
  std::optional<std::string> bytes =
      platform::EncodeFromUtf16(PlatformCodePage(codePage), text, &usedDefault);
  if (bytes) result.bytes = std::move(*bytes);
  result.units = result.bytes.size();
  result.lossy = usedDefault && !LossIsUnchecked(codePage);
  return result;
}

}  // namespace xmlenc
