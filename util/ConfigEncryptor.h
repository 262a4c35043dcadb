// Writing side of the configuration file, for deployers only: the program
// itself never encrypts. The text is base64-encoded, zero-padded to the end
// of its last 16-byte block (a whole zero block more when it fills that block
// exactly, so the reader always meets a zero byte inside the file) and each
// block encrypted on its own with the same AES-128 key the reader derives.
#ifndef VELMORA_UTIL_CONFIGENCRYPTOR_H
#define VELMORA_UTIL_CONFIGENCRYPTOR_H

#include <string>

// The complete file contents for the configuration text `plain` (any bytes;
// a byte-order mark is kept and dropped again by the reader). Empty only
// when the cipher could not be keyed.
std::string EncryptConfigText(const std::string& plain);

#endif
