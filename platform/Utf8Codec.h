// Hand-written UTF-8 <-> UTF-16 conversion: the hot path of every file load,
// network text and script string, so it does not go through iconv.
#ifndef VELMORA_PLATFORM_UTF8CODEC_H
#define VELMORA_PLATFORM_UTF8CODEC_H

#include <string>
#include <string_view>

namespace platform {

// Appends the UTF-16 form of `bytes` to `out`. Each byte that does not start a
// well-formed sequence becomes U+FFFD. Returns false when any was replaced.
bool AppendUtf8AsUtf16(std::string_view bytes, std::u16string& out);

// Appends the UTF-8 form of `text` to `out`. An unpaired surrogate becomes
// U+FFFD (EF BF BD). Returns false when any was replaced.
bool AppendUtf16AsUtf8(std::u16string_view text, std::string& out);

// True when `bytes` is well-formed UTF-8 (no overlongs, no surrogates).
bool IsWellFormedUtf8(std::string_view bytes);

}  // namespace platform

#endif
