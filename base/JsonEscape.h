// Text placed inside a JSON string that the host hands to the scripts
// (save locations, server lists): names from the user, the system or a
// translator must not end the string or break the list.
#ifndef VELMORA_BASE_JSONESCAPE_H
#define VELMORA_BASE_JSONESCAPE_H

#include <string>
#include <string_view>

// Quotes and backslashes escaped, control characters as \u00XX. Works on
// UTF-16 so that the text can go to the ANSI code page afterwards: a GBK
// trail byte may itself be a backslash. Stateless; safe from any thread.
std::u16string JsonEscaped(std::u16string_view text);

#endif
