// Small ASCII text steps that protocol and name parsers share: field values,
// header names and URL schemes are ASCII whatever the code page.
#ifndef VELMORA_BASE_ASCIITEXT_H
#define VELMORA_BASE_ASCIITEXT_H

#include <cstdint>
#include <string>
#include <string_view>

// `text` without the spaces and tabs at either end.
std::string_view TrimSpaceTab(std::string_view text);

// Whether `text` begins with `lowerPrefix`, ASCII letters of `text` in any
// case; the prefix is given in lower case.
bool StartsWithNoCase(std::string_view text, std::string_view lowerPrefix);

// `text` with A-Z as a-z; other bytes (UTF-8 included) unchanged, whatever
// the process's locale.
std::string AsciiLower(std::string_view text);

// Reads `text` as a decimal number of ASCII digits only (no sign, no
// blanks) into `value`; false when it is empty, has anything else, or does
// not fit. Byte counts, lengths and sequence numbers on the wire and in
// records are read this way.
bool ParseDecimal(std::string_view text, int64_t& value);

#endif
