// Text conversions between the code pages the program meets: UTF-16 for the
// windows, the ANSI code page for file names and scripts, UTF-8 for network
// data, GBK for script text.
//
// Each conversion has a core form (zero-terminated in, newly allocated
// zero-terminated out, null on failure) and a string form (empty on failure).
// Stateless; safe from any thread.
#ifndef VELMORA_BASE_CODEPAGETEXT_H
#define VELMORA_BASE_CODEPAGETEXT_H

#include <cstddef>
#include <memory>
#include <string>

using NarrowBuffer = std::unique_ptr<char[]>;
using WideBuffer = std::unique_ptr<char16_t[]>;

WideBuffer AnsiToUtf16Raw(const char* ansi);
NarrowBuffer Utf16ToAnsiRaw(const char16_t* wide);
NarrowBuffer Utf16ToUtf8Raw(const char16_t* wide);
NarrowBuffer Utf8ToGbkRaw(const char* utf8);

// A leading U+FEFF is dropped from the result; empty input gives empty.
std::u16string AnsiToUtf16(const std::string& ansi);
std::string Utf16ToAnsi(const std::u16string& wide);
std::string Utf16ToUtf8(const std::u16string& wide);
// Empty or malformed UTF-8 gives empty.
std::string Utf8ToGbk(const std::string& utf8);
// The same rule, into the ANSI code page (GBK only where that is the ANSI one).
std::string Utf8ToAnsi(const std::string& utf8);

// Writes the ANSI form of `wide` into `buffer`: at most `capacity` bytes, no
// terminator (callers zero the buffer first). Returns the bytes written.
size_t ToNarrowInto(const char16_t* wide, char* buffer, size_t capacity);
// Writes at most capacity - 1 UTF-16 units of `ansi` and a terminator. A null
// input (or zero capacity) writes nothing. Returns the units written.
size_t ToWideInto(const char* ansi, char16_t* buffer, size_t capacity);

#endif
