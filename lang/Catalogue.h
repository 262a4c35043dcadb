// One language's catalogue as read from its UTF-8 file: the [texts] section
// (dotted keys: the language's name, the host's texts, formats, the
// scripts' texts) and the [skin] section (a layout's own text -> the text to
// show instead). Keys and texts stay UTF-8; callers convert where they need.
//
// The file format is small on purpose, so a translator can edit it by hand:
// `# comment`, blank lines, `[texts]` / `[skin]`, and `key = text`, split at
// the first unescaped `=`, spaces and tabs around both trimmed. Escapes:
// \n \t \\ \= and \s (a space kept at either end). Anything else is refused
// with the line it is on; nothing is guessed. Stateless; safe from any thread.
#ifndef VELMORA_LANG_CATALOGUE_H
#define VELMORA_LANG_CATALOGUE_H

#include <cstddef>
#include <map>
#include <string>
#include <string_view>

#include "base/FailureCause.h"

namespace lang {

// A catalogue is a page of texts, not a data store: anything larger is not one.
inline constexpr std::size_t kMaxCatalogueBytes = 1024 * 1024;

using TextMap = std::map<std::string, std::string, std::less<>>;

struct Catalogue {
  TextMap texts;
  TextMap skin;
};

// Parses `bytes` (the whole file) into `out`. `fileName` only names the file
// in the message. On failure `out` is left empty and the message reads
// "<fileName>:<line>: <what>" (BadInput for content, which is the
// translator's to mend).
Failure ParseCatalogue(std::string_view bytes, std::string_view fileName, Catalogue& out);

// Reads and parses the file at `nativePath` (UTF-8 path). A missing or
// unreadable file is a Disk failure; one over kMaxCatalogueBytes BadInput.
Failure ReadCatalogueFile(const std::string& nativePath, Catalogue& out);

}  // namespace lang

#endif
