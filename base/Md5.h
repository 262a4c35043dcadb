// MD5 digests as lowercase hex text. Stateless; safe from any thread.
#ifndef VELMORA_BASE_MD5_H
#define VELMORA_BASE_MD5_H

#include <string>

// MD5 (RFC 1321) of the text's bytes up to its terminator, lowercase hex.
std::string Md5Hex(const char* text);
std::string Md5Hex(const std::string& text);

#endif
