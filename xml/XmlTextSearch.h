// Fast searches in UTF-16 text: eight units at a time with SSE2 where the
// machine has it, one at a time elsewhere.
#ifndef VELMORA_XML_XMLTEXTSEARCH_H
#define VELMORA_XML_XMLTEXTSEARCH_H

#include <cstddef>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// Offset of the first `ch` at or after `from`, or npos.
inline std::size_t XmlFind(std::u16string_view text, char16_t ch, std::size_t from) {
  const std::size_t n = text.size();
  const char16_t* p = text.data();
  std::size_t i = from;
#if defined(__SSE2__)
  const __m128i needle = _mm_set1_epi16(short(ch));
  for (; i + 8 <= n; i += 8) {
    __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    int mask = _mm_movemask_epi8(_mm_cmpeq_epi16(block, needle));
    if (mask) return i + std::size_t(__builtin_ctz(unsigned(mask))) / 2;
  }
#endif
  for (; i < n; ++i)
    if (p[i] == ch) return i;
  return std::u16string_view::npos;
}

// Offset of the first `a` or `b` at or after `from`, or npos.
inline std::size_t XmlFindEither(std::u16string_view text, char16_t a, char16_t b, std::size_t from) {
  const std::size_t n = text.size();
  const char16_t* p = text.data();
  std::size_t i = from;
#if defined(__SSE2__)
  const __m128i na = _mm_set1_epi16(short(a)), nb = _mm_set1_epi16(short(b));
  for (; i + 8 <= n; i += 8) {
    __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    int mask = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi16(block, na), _mm_cmpeq_epi16(block, nb)));
    if (mask) return i + std::size_t(__builtin_ctz(unsigned(mask))) / 2;
  }
#endif
  for (; i < n; ++i)
    if (p[i] == a || p[i] == b) return i;
  return std::u16string_view::npos;
}

// Offset just after the first occurrence of `seq` at or after `from`, or npos.
inline std::size_t XmlFindAfter(std::u16string_view text, std::u16string_view seq, std::size_t from) {
  for (std::size_t i = from;; ++i) {
    i = XmlFind(text, seq[0], i);
    if (i == std::u16string_view::npos || text.size() - i < seq.size()) return std::u16string_view::npos;
    if (text.compare(i, seq.size(), seq) == 0) return i + seq.size();
  }
}

#endif
