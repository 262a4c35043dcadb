// One resource of a stream (a playlist, a key, a segment or a piece of one)
// fetched whole into memory over the engine's connection, under the task's
// and the global speed limits: redirects followed, the length checked
// against what the server declared or the byte range asked for, a cap on
// the size, and a verdict on whether trying again may help.
#ifndef VELMORA_DL_STREAM_RESOURCEFETCH_H
#define VELMORA_DL_STREAM_RESOURCEFETCH_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "base/FailureCause.h"
#include "base/ResultCode.h"
#include "dl/LimitedReceive.h"
#include "dl/stream/Playlist.h"
#include "net/HeaderList.h"

struct FetchContext {
  SpeedLimits limits;
  std::function<bool()> stopped;
  int64_t stallMs = 30000;
  const HeaderList* headers = nullptr;  // the task's own (cookies, referrer)
};

struct FetchedResource {
  enum class End { Done, Retry, Fail, Stop } end = End::Fail;
  FailureCause cause = FailureCause::None;
  ResultCode code = Success;
  std::string error;
  std::string body;
  std::string finalUrl;
  std::string contentType;
};

// `maxBytes` caps the body; `capName` names the limit in the message when
// a larger body comes or is announced ("the playlist size limit of 16 MiB").
FetchedResource FetchResource(const std::string& url, const ByteSpan& span, size_t maxBytes,
                              const std::string& capName, const FetchContext& context);

#endif
