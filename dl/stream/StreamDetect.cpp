#include "dl/stream/StreamDetect.h"

#include <string>

#include "base/AsciiText.h"
#include "dl/stream/Playlist.h"

bool IsPlaylistType(std::string_view contentType) {
  std::string type = AsciiLower(TrimSpaceTab(contentType.substr(0, contentType.find(';'))));
  return type == "application/vnd.apple.mpegurl" || type == "application/x-mpegurl" || type == "audio/mpegurl" ||
         type == "audio/x-mpegurl";
}

bool IsPlaylistUrl(std::string_view url) {
  size_t end = url.find_first_of("?#");
  std::string path = AsciiLower(url.substr(0, end));
  size_t scheme = path.find("://");
  if (scheme == std::string::npos || path.find('/', scheme + 3) == std::string::npos) return false;
  return path.ends_with(".m3u8");
}

bool IsPlaylistBody(std::string_view firstBytes) { return StartsLikePlaylist(firstBytes); }
