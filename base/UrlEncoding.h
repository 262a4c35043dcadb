// Percent-encoding of a request path as the network client sends it.
// Stateless; safe from any thread.
#ifndef VELMORA_BASE_URLENCODING_H
#define VELMORA_BASE_URLENCODING_H

#include <string>

// Percent-encodes bytes >= 0x80 and blanks; keeps existing %XX escapes.
std::string UrlEncodePath(const std::string& path);

#endif
