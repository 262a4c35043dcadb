#include "dl/NonWebTypes.h"

#include <array>
#include <string>

#include "base/AsciiText.h"

namespace {

// Lower case, without the dot. Compound endings (.tar.gz) end in one of these.
constexpr std::array<std::string_view, 52> kExtensions{
    // archives
    "zip", "rar", "7z", "tar", "gz", "tgz", "bz2", "tbz2", "xz", "txz", "zst", "lz", "lzma", "cab", "arj",
    // disk images
    "iso", "img", "dmg", "vhd", "vhdx", "vmdk", "qcow2",
    // media
    "mp3", "flac", "ogg", "wav", "m4a", "aac", "opus", "mp4", "mkv", "avi", "mov", "webm", "wmv", "flv", "m4v",
    // programs and packages
    "exe", "msi", "apk", "deb", "rpm", "appimage", "pkg", "jar", "dll", "so",
    // raw data
    "bin", "dat", "pdf", "epub", "torrent"};

}  // namespace

bool NamesNonWebFile(std::string_view name) {
  name = name.substr(0, name.find_first_of("?#"));
  size_t slash = name.find_last_of('/');
  if (slash != std::string_view::npos) name.remove_prefix(slash + 1);
  size_t dot = name.find_last_of('.');
  if (dot == std::string_view::npos || dot + 1 == name.size()) return false;
  std::string extension = AsciiLower(name.substr(dot + 1));
  for (auto known : kExtensions)
    if (extension == known) return true;
  return false;
}

bool IsWebPageType(std::string_view contentType) {
  std::string type = AsciiLower(TrimSpaceTab(contentType.substr(0, contentType.find(';'))));
  return type == "text/html" || type == "application/xhtml+xml";
}
