// The pieces a media playlist asks for, in the order they go into the
// output: every segment, with its initialisation section before the first
// segment that uses it (and again whenever it changes).
#ifndef VELMORA_DL_STREAM_PIECEPLAN_H
#define VELMORA_DL_STREAM_PIECEPLAN_H

#include <cstdint>
#include <string>
#include <vector>

#include "dl/stream/Playlist.h"

struct Piece {
  std::string uri;
  ByteSpan span;
  SegmentKey key;
  int64_t sequence = 0;  // the segment's, or the next segment's for a section
  bool init = false;
  double duration = 0;
};

std::vector<Piece> PlanPieces(const MediaPlaylist& playlist);

// Segments (not sections) among the first `count` pieces.
int64_t SegmentsAmong(const std::vector<Piece>& pieces, int64_t count);

#endif
