#include "dl/stream/PiecePlan.h"

std::vector<Piece> PlanPieces(const MediaPlaylist& playlist) {
  std::vector<Piece> pieces;
  pieces.reserve(playlist.segments.size() + playlist.maps.size());
  int currentMap = -1;
  for (const auto& segment : playlist.segments) {
    if (segment.map >= 0 && segment.map != currentMap) {
      const InitSection& section = playlist.maps[static_cast<size_t>(segment.map)];
      pieces.push_back(Piece{section.uri, section.span, section.key, segment.sequence, true, 0});
      currentMap = segment.map;
    }
    pieces.push_back(Piece{segment.uri, segment.span, segment.key, segment.sequence, false, segment.duration});
  }
  return pieces;
}

int64_t SegmentsAmong(const std::vector<Piece>& pieces, int64_t count) {
  int64_t segments = 0;
  for (int64_t i = 0; i < count && i < static_cast<int64_t>(pieces.size()); ++i)
    segments += !pieces[static_cast<size_t>(i)].init;
  return segments;
}
