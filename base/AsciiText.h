// Small ASCII text steps that protocol and name parsers share: field values,
// header names and URL schemes are ASCII whatever the code page.
#ifndef VELMORA_BASE_ASCIITEXT_H
#define VELMORA_BASE_ASCIITEXT_H

#include <string_view>

// `text` without the spaces and tabs at either end.
std::string_view TrimSpaceTab(std::string_view text);

// Whether `text` begins with `lowerPrefix`, ASCII letters of `text` in any
// case; the prefix is given in lower case.
bool StartsWithNoCase(std::string_view text, std::string_view lowerPrefix);

#endif
