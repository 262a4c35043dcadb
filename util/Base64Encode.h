// Base64 encoding, the inverse of Base64Decode, for the deployers' tool.
#ifndef VELMORA_UTIL_BASE64ENCODE_H
#define VELMORA_UTIL_BASE64ENCODE_H

#include <string>

// RFC 4648 base64 with padding, on one line.
std::string Base64Encode(const std::string& bytes);

#endif
