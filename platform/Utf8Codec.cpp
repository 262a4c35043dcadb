// UTF-8 <-> UTF-16. ASCII runs are copied eight bytes at a time; everything
// else is decoded by the well-formedness table of Unicode 15, section 3.9.
#include "platform/Utf8Codec.h"

#include <cstdint>
#include <cstring>

namespace platform {
namespace {

constexpr char16_t kReplacement = 0xFFFD;

bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// Decodes one sequence at `p` (p < end, *p >= 0x80). Returns the code point
// and advances `p`; on a malformed start returns -1 and advances by one.
long DecodeSequence(const unsigned char*& p, const unsigned char* end) {
  unsigned char c = *p;
  size_t left = static_cast<size_t>(end - p);
  if (c >= 0xC2 && c <= 0xDF) {
    if (left >= 2 && IsContinuation(p[1])) {
      long cp = ((c & 0x1F) << 6) | (p[1] & 0x3F);
      p += 2;
      return cp;
    }
  } else if (c >= 0xE0 && c <= 0xEF) {
    unsigned char lo = (c == 0xE0) ? 0xA0 : 0x80;
    unsigned char hi = (c == 0xED) ? 0x9F : 0xBF;
    if (left >= 3 && p[1] >= lo && p[1] <= hi && IsContinuation(p[2])) {
      long cp = ((c & 0x0F) << 12) | ((p[1] & 0x3F) << 6) | (p[2] & 0x3F);
      p += 3;
      return cp;
    }
  } else if (c >= 0xF0 && c <= 0xF4) {
    unsigned char lo = (c == 0xF0) ? 0x90 : 0x80;
    unsigned char hi = (c == 0xF4) ? 0x8F : 0xBF;
    if (left >= 4 && p[1] >= lo && p[1] <= hi && IsContinuation(p[2]) && IsContinuation(p[3])) {
      long cp = ((c & 0x07) << 18) | ((p[1] & 0x3F) << 12) | ((p[2] & 0x3F) << 6) | (p[3] & 0x3F);
      p += 4;
      return cp;
    }
  }
  ++p;
  return -1;
}

bool AllAscii8(const unsigned char* p) {
  uint64_t word;
  std::memcpy(&word, p, 8);
  return (word & 0x8080808080808080ULL) == 0;
}

}  // namespace

bool AppendUtf8AsUtf16(std::string_view bytes, std::u16string& out) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const auto* end = p + bytes.size();
  size_t base = out.size();
  // Never more UTF-16 units than bytes; shrink once at the end.
  out.resize(base + bytes.size());
  char16_t* w = out.data() + base;
  bool clean = true;
  while (p < end) {
    while (end - p >= 8 && AllAscii8(p)) {
      for (int i = 0; i < 8; ++i) w[i] = p[i];
      w += 8;
      p += 8;
    }
    if (p >= end) break;
    if (*p < 0x80) {
      *w++ = *p++;
      continue;
    }
    long cp = DecodeSequence(p, end);
    if (cp < 0) {
      *w++ = kReplacement;
      clean = false;
    } else if (cp >= 0x10000) {
      cp -= 0x10000;
      *w++ = static_cast<char16_t>(0xD800 + (cp >> 10));
      *w++ = static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
      *w++ = static_cast<char16_t>(cp);
    }
  }
  out.resize(static_cast<size_t>(w - out.data()));
  return clean;
}

bool AppendUtf16AsUtf8(std::u16string_view text, std::string& out) {
  size_t base = out.size();
  out.resize(base + text.size() * 3);
  char* o = out.data() + base;
  bool clean = true;
  const char16_t* p = text.data();
  const char16_t* end = p + text.size();
  while (p < end) {
    uint32_t c = *p++;
    if (c < 0x80) {
      *o++ = static_cast<char>(c);
      continue;
    }
    if (c >= 0xD800 && c <= 0xDBFF && p < end && *p >= 0xDC00 && *p <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (*p++ - 0xDC00);
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = kReplacement;
      clean = false;
    }
    if (c < 0x800) {
      *o++ = static_cast<char>(0xC0 | (c >> 6));
      *o++ = static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      *o++ = static_cast<char>(0xE0 | (c >> 12));
      *o++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      *o++ = static_cast<char>(0x80 | (c & 0x3F));
    } else {
      *o++ = static_cast<char>(0xF0 | (c >> 18));
      *o++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      *o++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      *o++ = static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  out.resize(static_cast<size_t>(o - out.data()));
  return clean;
}

bool IsWellFormedUtf8(std::string_view bytes) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const auto* end = p + bytes.size();
  while (p < end) {
    while (end - p >= 8 && AllAscii8(p)) p += 8;
    if (p >= end) break;
    if (*p < 0x80) {
      ++p;
      continue;
    }
    if (DecodeSequence(p, end) < 0) return false;
  }
  return true;
}

}  // namespace platform
