// Code pages: Windows code-page numbers over glibc iconv, with the
// conversion rules the rest of the program expects of the Windows calls.
//
// Decoding never fails on bad bytes: each undecodable byte becomes U+FFFD,
// as the desktop does without its strict flag. Encoding replaces what the
// target cannot hold with its default character and says so through
// `usedDefaultChar`. Both are safe from any thread.
#ifndef VELMORA_PLATFORM_CODEPAGE_H
#define VELMORA_PLATFORM_CODEPAGE_H

#include <optional>
#include <string>
#include <string_view>

namespace platform {

inline constexpr unsigned kCpAcp = 0;
inline constexpr unsigned kCpGbk = 936;
inline constexpr unsigned kCpUtf8 = 65001;
inline constexpr unsigned kCpUtf16LE = 1200;
inline constexpr unsigned kCpUtf16BE = 1201;

// The ANSI code page: 936 unless VELMORA_ACP names another supported number.
// Read once per process.
unsigned AnsiCodePage();
// Tests exercise other ANSI code pages in-process; 0 restores the real one.
void OverrideAnsiCodePageForTesting(unsigned codePage);

// Resolves 0 to the ANSI code page; other numbers are returned unchanged.
unsigned ResolveCodePage(unsigned codePage);

// The iconv charset for a code page, or nullptr when we do not know it.
const char* IconvCharset(unsigned codePage);
bool IsCodePageSupported(unsigned codePage);

// Bytes in `codePage` to UTF-16. Returns nullopt only for an unknown code page.
// With `strict`, undecodable input gives nullopt instead of U+FFFD.
std::optional<std::u16string> DecodeToUtf16(unsigned codePage, std::string_view bytes,
                                            bool strict = false);

// UTF-16 to bytes in `codePage`. Unpaired surrogates and characters the code
// page cannot hold become its default character ('?'), and `usedDefaultChar`
// (when given) turns true. Returns nullopt only for an unknown code page.
std::optional<std::string> EncodeFromUtf16(unsigned codePage, std::u16string_view text,
                                           bool* usedDefaultChar = nullptr);

}  // namespace platform

#endif
