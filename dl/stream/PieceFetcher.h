// Fetches pieces of a stream over several connections at once and hands
// them, decrypted, to one writer strictly in order on the calling thread.
// Each piece is fetched on its own, checked for its length and tried again
// alone when the failure may pass; fetchers run at most a few pieces ahead
// of the writer, so memory stays bounded while a slow piece holds the line.
#ifndef VELMORA_DL_STREAM_PIECEFETCHER_H
#define VELMORA_DL_STREAM_PIECEFETCHER_H

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "dl/stream/KeyCache.h"
#include "dl/stream/PiecePlan.h"
#include "dl/stream/ResourceFetch.h"

struct PieceFetchSetup {
  const std::vector<Piece>& pieces;
  int64_t first = 0;  // pieces before it are done already
  int connections = 4;
  FetchContext context;
  KeyCache& keys;
  int maxTries = 5;
  int firstPauseMs = 250;  // doubles after each failed try of a piece
  size_t maxPieceBytes = 128u << 20;  // held in memory until its turn to be written
};

struct PieceFetchOutcome {
  FetchedResource::End end = FetchedResource::End::Done;
  FailureCause cause = FailureCause::None;
  ResultCode code = Success;
  std::string error;
};

// `write(index, bytes)` returns 0 or an errno (which ends the run as a disk
// failure); `idle()` is called at least every 200 ms on the writer thread.
PieceFetchOutcome FetchPieces(const PieceFetchSetup& setup,
                              const std::function<int(int64_t index, const std::string& bytes)>& write,
                              const std::function<void()>& idle);

// One piece fetched (with its tries) and decrypted.
FetchedResource FetchPiece(const Piece& piece, const PieceFetchSetup& setup);

#endif
