// The digest a finished file must match: named by the script
// ("sha256=HEX") or sent by the server for the whole file, as
// `Repr-Digest: sha-256=:BASE64:` (a structured dictionary) or the older
// `Digest: SHA-256=BASE64`.
#ifndef VELMORA_DL_EXPECTEDDIGEST_H
#define VELMORA_DL_EXPECTEDDIGEST_H

#include <optional>
#include <string>
#include <string_view>

#include "net/HeaderList.h"

struct ExpectedDigest {
  std::string algorithm;  // "sha256", "sha512", "sha1", "md5"; empty: none
  std::string hex;        // lowercase
  std::string source;     // "option", "repr-digest" or "digest"

  bool empty() const { return algorithm.empty(); }
};

// "ALGORITHM=HEX" (any case); false with `error` saying what is wrong.
bool ParseChecksumOption(std::string_view text, ExpectedDigest& out, std::string& error);

// The strongest whole-file digest the answer's fields name (Repr-Digest
// before Digest, SHA-512 before SHA-256); nullopt when none is usable.
// Values that do not decode to a digest of the right size are ignored.
std::optional<ExpectedDigest> DigestFromAnswer(const HeaderList& fields);

#endif
