// Telling a playlist of a segmented stream from a plain file before any of
// it is written: by the answer's type, by the URL's path, or by the first
// bytes of the body.
#ifndef VELMORA_DL_STREAM_STREAMDETECT_H
#define VELMORA_DL_STREAM_STREAMDETECT_H

#include <string_view>

// application/vnd.apple.mpegurl, application/x-mpegurl or audio/mpegurl,
// any case, parameters allowed.
bool IsPlaylistType(std::string_view contentType);
// A path (before any query) ending in ".m3u8", any case.
bool IsPlaylistUrl(std::string_view url);
// A body starting with #EXTM3U.
bool IsPlaylistBody(std::string_view firstBytes);

#endif
