// The configuration-file pipeline: `dc-config.ini` holds the AES-128 (ECB)
// encryption of a base64 text, zero bytes to the end of its last block, and a
// whole zero block more when the text fills its last block exactly, so the
// text always ends inside the file. Reading it back: decrypt one block more
// than the file's whole blocks (the file zero-padded), take the text up to
// its first zero byte, base64-decode, drop a UTF-8 or UTF-16LE byte-order
// mark and cut to the file's length less the mark.
//
// A wrong key, a short or a garbage file yields an arbitrary (possibly empty)
// text, never a failure: the format has no integrity check. Working memory is
// a small multiple of the file's size. Call from one thread at a time.
#ifndef VELMORA_UTIL_CONFIGFILETEXT_H
#define VELMORA_UTIL_CONFIGFILETEXT_H

#include <cstddef>
#include <optional>
#include <string>

// The key text the AES key is derived from (PrepareConfigKey).
inline constexpr char kConfigKeyText[] = "bluemaplesky2031";

// Configuration files above this size are refused rather than read.
inline constexpr size_t kConfigFileLimit = 16u * 1024 * 1024;

// The configuration text held in the file bytes `encrypted`. It may contain
// zero bytes (a UTF-16LE text does); a caller handing it on as a C string
// passes the part before the first one.
std::string DecryptConfigText(const std::string& encrypted);

// Reads the file at the ANSI path and runs DecryptConfigText. Nothing (and a
// report with the stem "ConfigFileText") when the file cannot be opened or
// read, or is larger than `limit` bytes.
std::optional<std::string> ReadConfigFileText(const char* path, size_t limit = kConfigFileLimit);

#endif
