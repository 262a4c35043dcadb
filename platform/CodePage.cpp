// Code pages over iconv. UTF-8 and UTF-16 take hand-written paths; every other
// code page goes through a per-thread cache of iconv descriptors, reset before
// each use, so a conversion costs no iconv_open after the first.
#include "platform/CodePage.h"

#include <iconv.h>

#include <algorithm>
#include <atomic>
#include <bit>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <unordered_map>

#include "platform/Utf8Codec.h"

static_assert(std::endian::native == std::endian::little,
              "UTF-16 buffers are handed to iconv as UTF-16LE");

namespace platform {
namespace {

struct CodePageName {
  unsigned codePage;
  const char* charset;
};

// Windows code-page numbers and the glibc charsets that hold the same tables.
constexpr CodePageName kCodePages[] = {
    {37, "IBM037"},         {437, "CP437"},         {500, "IBM500"},
    {708, "ASMO-708"},      {737, "CP737"},         {775, "CP775"},
    {850, "CP850"},         {852, "CP852"},         {855, "CP855"},
    {857, "CP857"},         {858, "CP858"},         {860, "CP860"},
    {861, "CP861"},         {862, "CP862"},         {863, "CP863"},
    {864, "CP864"},         {865, "CP865"},         {866, "CP866"},
    {869, "CP869"},         {870, "IBM870"},        {874, "CP874"},
    {875, "IBM875"},        {932, "CP932"},         {936, "CP936"},
    {949, "CP949"},         {950, "CP950"},         {1026, "IBM1026"},
    {1047, "IBM1047"},      {1140, "IBM1140"},      {1141, "IBM1141"},
    {1142, "IBM1142"},      {1143, "IBM1143"},      {1144, "IBM1144"},
    {1145, "IBM1145"},      {1146, "IBM1146"},      {1147, "IBM1147"},
    {1148, "IBM1148"},      {1149, "IBM1149"},      {1200, "UTF-16LE"},
    {1201, "UTF-16BE"},     {1250, "CP1250"},       {1251, "CP1251"},
    {1252, "CP1252"},       {1253, "CP1253"},       {1254, "CP1254"},
    {1255, "CP1255"},       {1256, "CP1256"},       {1257, "CP1257"},
    {1258, "CP1258"},       {1361, "JOHAB"},        {10000, "MACINTOSH"},
    {10007, "MAC-CYRILLIC"}, {10029, "MAC-CENTRALEUROPE"}, {10079, "MAC-IS"},
    {12000, "UTF-32LE"},
    {12001, "UTF-32BE"},    {20127, "ASCII"},       {20273, "IBM273"},
    {20277, "IBM277"},      {20278, "IBM278"},      {20280, "IBM280"},
    {20284, "IBM284"},      {20285, "IBM285"},      {20290, "IBM290"},
    {20297, "IBM297"},      {20420, "IBM420"},      {20423, "IBM423"},
    {20424, "IBM424"},      {20866, "KOI8-R"},      {20871, "IBM871"},
    {20880, "IBM880"},      {20905, "IBM905"},      {20924, "IBM1047"},
    {20932, "EUC-JP"},      {20936, "GB2312"},      {21866, "KOI8-U"},
    {28591, "ISO-8859-1"},  {28592, "ISO-8859-2"},  {28593, "ISO-8859-3"},
    {28594, "ISO-8859-4"},  {28595, "ISO-8859-5"},  {28596, "ISO-8859-6"},
    {28597, "ISO-8859-7"},  {28598, "ISO-8859-8"},  {28599, "ISO-8859-9"},
    {28600, "ISO-8859-10"}, {28601, "ISO-8859-11"}, {28603, "ISO-8859-13"},
    {28604, "ISO-8859-14"}, {28605, "ISO-8859-15"}, {28606, "ISO-8859-16"},
    {38598, "ISO-8859-8"},  {50220, "ISO-2022-JP"}, {50221, "ISO-2022-JP"},
    {50222, "ISO-2022-JP"}, {50225, "ISO-2022-KR"}, {50227, "ISO-2022-CN"},
    {51932, "EUC-JP"},      {51936, "GB2312"},      {51949, "EUC-KR"},
    {51950, "EUC-TW"},      {54936, "GB18030"},
    {65000, "UTF-7"},       {65001, "UTF-8"},
    // Encodings that XML texts declare by name.
    {154, "PT154"},         {10017, "MACUKRAINIAN"},
};

unsigned ReadAnsiCodePage() {
  if (const char* env = std::getenv("VELMORA_ACP")) {
    char* end = nullptr;
    unsigned long cp = std::strtoul(env, &end, 10);
    if (end != env && *end == '\0' && cp != 0 && IconvCharset(static_cast<unsigned>(cp)))
      return static_cast<unsigned>(cp);
  }
  return kCpGbk;
}

// One iconv descriptor per (direction, code page) per thread.
class IconvCache {
 public:
  ~IconvCache() {
    for (auto& [key, cd] : descriptors_) iconv_close(cd);
  }
  iconv_t Get(unsigned codePage, bool toUtf16) {
    uint64_t key = (uint64_t{codePage} << 1) | (toUtf16 ? 1 : 0);
    auto it = descriptors_.find(key);
    if (it != descriptors_.end()) {
      iconv(it->second, nullptr, nullptr, nullptr, nullptr);  // back to the initial shift state
      return it->second;
    }
    const char* charset = IconvCharset(codePage);
    if (!charset) return reinterpret_cast<iconv_t>(-1);
    iconv_t cd = toUtf16 ? iconv_open("UTF-16LE", charset) : iconv_open(charset, "UTF-16LE");
    if (cd != reinterpret_cast<iconv_t>(-1)) descriptors_.emplace(key, cd);
    return cd;
  }

 private:
  std::unordered_map<uint64_t, iconv_t> descriptors_;
};

iconv_t CachedDescriptor(unsigned codePage, bool toUtf16) {
  thread_local IconvCache cache;
  return cache.Get(codePage, toUtf16);
}

std::optional<std::u16string> DecodeWithIconv(iconv_t cd, std::string_view bytes, bool strict) {
  std::u16string out;
  out.resize(bytes.size() + 8);
  char* in = const_cast<char*>(bytes.data());
  size_t inLeft = bytes.size();
  size_t produced = 0;
  while (true) {
    char* outPtr = reinterpret_cast<char*>(out.data() + produced);
    size_t outLeft = (out.size() - produced) * sizeof(char16_t);
    size_t rc = inLeft ? iconv(cd, &in, &inLeft, &outPtr, &outLeft)
                       : iconv(cd, nullptr, nullptr, &outPtr, &outLeft);
    produced = static_cast<size_t>(reinterpret_cast<char16_t*>(outPtr) - out.data());
    if (rc != static_cast<size_t>(-1)) {
      if (inLeft == 0) break;
      continue;
    }
    if (errno == E2BIG) {
      out.resize(out.size() * 2 + 16);
    } else if (errno == EILSEQ || errno == EINVAL) {
      if (strict) return std::nullopt;
      // Skip one byte: the scan always moves forward, so bad input cannot loop.
      if (produced == out.size()) out.resize(out.size() * 2 + 16);
      out[produced++] = 0xFFFD;
      ++in;
      --inLeft;
    } else {
      return std::nullopt;
    }
  }
  out.resize(produced);
  return out;
}

std::optional<std::string> EncodeWithIconv(iconv_t cd, std::u16string_view text, bool* usedDefault) {
  std::string out;
  out.resize(text.size() * 2 + 8);
  char* in = reinterpret_cast<char*>(const_cast<char16_t*>(text.data()));
  size_t inLeft = text.size() * sizeof(char16_t);
  size_t produced = 0;
  while (true) {
    char* outPtr = out.data() + produced;
    size_t outLeft = out.size() - produced;
    size_t rc = inLeft ? iconv(cd, &in, &inLeft, &outPtr, &outLeft)
                       : iconv(cd, nullptr, nullptr, &outPtr, &outLeft);
    produced = static_cast<size_t>(outPtr - out.data());
    if (rc != static_cast<size_t>(-1)) {
      // glibc counts irreversible conversions in rc; they lose text too.
      if (rc > 0 && usedDefault) *usedDefault = true;
      if (inLeft == 0) break;
      continue;
    }
    if (errno == E2BIG) {
      out.resize(out.size() * 2 + 16);
    } else if (errno == EILSEQ || errno == EINVAL) {
      // A character the code page lacks, or a lone surrogate: one default
      // character for the whole unit (a pair counts as one character).
      size_t skip = sizeof(char16_t);
      if (inLeft >= 4) {
        char16_t first, second;
        std::memcpy(&first, in, 2);
        std::memcpy(&second, in + 2, 2);
        if (first >= 0xD800 && first <= 0xDBFF && second >= 0xDC00 && second <= 0xDFFF) skip = 4;
      }
      if (produced == out.size()) out.resize(out.size() * 2 + 16);
      out[produced++] = '?';
      if (usedDefault) *usedDefault = true;
      in += skip;
      inLeft -= std::min(skip, inLeft);
    } else {
      return std::nullopt;
    }
  }
  out.resize(produced);
  return out;
}

std::atomic<unsigned> gAnsiOverride{0};

}  // namespace

unsigned AnsiCodePage() {
  static const unsigned cp = ReadAnsiCodePage();
  unsigned forced = gAnsiOverride.load(std::memory_order_relaxed);
  return forced ? forced : cp;
}

void OverrideAnsiCodePageForTesting(unsigned codePage) { gAnsiOverride.store(codePage); }

unsigned ResolveCodePage(unsigned codePage) { return codePage == kCpAcp ? AnsiCodePage() : codePage; }

const char* IconvCharset(unsigned codePage) {
  for (const auto& entry : kCodePages)
    if (entry.codePage == codePage) return entry.charset;
  return nullptr;
}

bool IsCodePageSupported(unsigned codePage) {
  codePage = ResolveCodePage(codePage);
  if (codePage == kCpUtf8 || codePage == kCpUtf16LE || codePage == kCpUtf16BE) return true;
  return CachedDescriptor(codePage, true) != reinterpret_cast<iconv_t>(-1);
}

std::optional<std::u16string> DecodeToUtf16(unsigned codePage, std::string_view bytes, bool strict) {
  codePage = ResolveCodePage(codePage);
  if (codePage == kCpUtf8) {
    std::u16string out;
    bool clean = AppendUtf8AsUtf16(bytes, out);
    if (strict && !clean) return std::nullopt;
    return out;
  }
  if (codePage == kCpUtf16LE || codePage == kCpUtf16BE) {
    std::u16string out(bytes.size() / 2, u'\0');
    std::memcpy(out.data(), bytes.data(), out.size() * 2);
    if (codePage == kCpUtf16BE)
      for (auto& unit : out) unit = static_cast<char16_t>((unit >> 8) | (unit << 8));
    if (bytes.size() % 2) {
      if (strict) return std::nullopt;
      out.push_back(0xFFFD);
    }
    return out;
  }
  iconv_t cd = CachedDescriptor(codePage, true);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  return DecodeWithIconv(cd, bytes, strict);
}

std::optional<std::string> EncodeFromUtf16(unsigned codePage, std::u16string_view text,
                                           bool* usedDefaultChar) {
  codePage = ResolveCodePage(codePage);
  if (codePage == kCpUtf8) {
    std::string out;
    if (!AppendUtf16AsUtf8(text, out) && usedDefaultChar) *usedDefaultChar = true;
    return out;
  }
  if (codePage == kCpUtf16LE || codePage == kCpUtf16BE) {
    std::string out(text.size() * 2, '\0');
    std::memcpy(out.data(), text.data(), out.size());
    if (codePage == kCpUtf16BE)
      for (size_t i = 0; i + 1 < out.size(); i += 2) std::swap(out[i], out[i + 1]);
    return out;
  }
  iconv_t cd = CachedDescriptor(codePage, false);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  return EncodeWithIconv(cd, text, usedDefaultChar);
}

}  // namespace platform
