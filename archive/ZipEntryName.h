// The name of an archive entry turned into a safe relative path. Names are
// stored as bytes: UTF-8 when the entry says so (or when the bytes are valid
// UTF-8, which many tools write without saying), otherwise in the code page
// of the machine that made the archive, which for our users is GBK. Either
// `/` or `\` separates folders. A name that is absolute ("/x", "\x",
// "C:x"), climbs (".."), holds a NUL or a component too long for a file
// system is refused: nothing may land outside the extraction folder.
#ifndef VELMORA_ARCHIVE_ZIPENTRYNAME_H
#define VELMORA_ARCHIVE_ZIPENTRYNAME_H

#include <string>
#include <string_view>
#include <vector>

namespace archive {

struct EntryPath {
  std::vector<std::string> components;  // UTF-8, none empty, "." or ".."
  bool directory = false;               // the name ends with a separator
};

// The raw name as UTF-8: kept when flagged or valid UTF-8, else from GBK.
std::string DecodeEntryName(std::string_view raw, bool flaggedUtf8);

// False with `error` (naming the entry) for a name that may not be written.
bool ParseEntryPath(std::string_view utf8Name, EntryPath& out, std::string& error);

// Components joined with '/', for messages and tests.
std::string JoinPath(const std::vector<std::string>& components);

}  // namespace archive

#endif
