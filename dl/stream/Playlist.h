// A playlist of a segmented stream as the server publishes it: either a
// master playlist (variants of one stream at different rates, and
// alternative renditions such as a separate audio track) or a media
// playlist (the segments in order, with their byte ranges, keys and
// initialisation sections). Every URI is resolved against the playlist's
// own URL and must be http or https; nothing from the text ever becomes a
// local path.
#ifndef VELMORA_DL_STREAM_PLAYLIST_H
#define VELMORA_DL_STREAM_PLAYLIST_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/FailureCause.h"

struct PlaylistLimits {
  size_t maxBytes = 16u << 20;   // a longer playlist is refused
  size_t maxSegments = 100000;   // more segments than this are refused
};

// Bytes [offset, offset + length) of a resource; length < 0 means the whole.
struct ByteSpan {
  int64_t offset = 0;
  int64_t length = -1;
  bool whole() const { return length < 0; }
};

struct SegmentKey {
  enum class Method { None, Aes128 } method = Method::None;
  std::string uri;                              // resolved, for Aes128
  std::optional<std::array<uint8_t, 16>> iv;   // explicit IV, else the sequence number
};

struct InitSection {
  std::string uri;
  ByteSpan span;
  SegmentKey key;
};

struct MediaSegment {
  std::string uri;
  double duration = 0;
  ByteSpan span;
  SegmentKey key;
  int map = -1;  // index into MediaPlaylist::maps, -1 when none
  bool discontinuity = false;
  int64_t sequence = 0;
};

struct MediaPlaylist {
  double targetDuration = 0;
  int64_t mediaSequence = 0;
  bool endList = false;
  std::vector<InitSection> maps;
  std::vector<MediaSegment> segments;
};

struct Variant {
  std::string uri;
  int64_t bandwidth = 0;
  int width = 0, height = 0;
  std::string audioGroup;
};

struct Rendition {
  std::string type;     // AUDIO, SUBTITLES, ...
  std::string groupId;
  std::string name;
  std::string uri;      // empty when the rendition rides in the variant
  bool isDefault = false;
};

struct MasterPlaylist {
  std::vector<Variant> variants;
  std::vector<Rendition> renditions;
};

struct ParsedPlaylist {
  bool master = false;
  MasterPlaylist masterList;
  MediaPlaylist media;
};

// Whether `text` starts like a playlist (a byte-order mark allowed).
bool StartsLikePlaylist(std::string_view text);

// False with `failure` for anything that is not a playlist, breaks a limit
// (the message names it), names a URI that is not http or https, or asks
// for an encryption this program does not do (the message names it).
bool ParsePlaylist(std::string_view text, const std::string& playlistUrl, ParsedPlaylist& out, Failure& failure,
                   const PlaylistLimits& limits = {});

#endif
