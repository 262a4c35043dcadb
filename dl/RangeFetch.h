// One connection fetching one leased range of a file that several
// connections share. It asks for exactly that range, with the file's
// validator so that a changed file answers whole instead of in part,
// checks the answer before a byte is written, and writes every byte at its
// place in the file.
#ifndef VELMORA_DL_RANGEFETCH_H
#define VELMORA_DL_RANGEFETCH_H

#include <cstdint>
#include <functional>
#include <string>

#include "base/FailureCause.h"
#include "base/ResultCode.h"
#include "net/HttpUrl.h"
#include "net/HeaderList.h"
#include "dl/LimitedReceive.h"
#include "dl/SegmentPlan.h"
#include "platform/DataFile.h"

// The file as its first answer described it; every range must agree.
struct RangeSource {
  std::string url;  // after redirects
  int64_t total = 0;
  std::string etag;  // strong, or empty
  std::string lastModified;
  HeaderList headers;  // the task's own
};

struct RangeWork {
  const RangeSource& source;
  SegmentPlan& plan;
  platform::DataFile& file;
  std::string partPath;  // for messages
  SpeedLimits limits;
  std::function<bool()> stopped;
  int64_t stallMs = 30000;
};

struct RangeResult {
  enum class End {
    Done,      // the lease is written (or was cut short by the plan)
    Lost,      // the connection failed, stalled or was cut: another try may pass
    Declined,  // the server would not serve this connection (an error status)
    Refused,   // ranges are not honoured: a whole answer or a range not asked for
    Changed,   // the file on the server is not the one being fetched any more
    Failed,    // writing failed
    Stopped,
  } end = End::Failed;
  FailureCause cause = FailureCause::None;
  ResultCode code = Success;
  std::string error;
  bool wrote = false;
};

// `eachSlice` runs between reads (every 200 ms or sooner).
RangeResult FetchRange(const RangeWork& work, const SegmentPlan::Lease& lease, char* buffer, size_t bufferSize,
                       const std::function<void()>& eachSlice);

// Whether `head` (of a 206 or 200) shows a file other than `source`:
// another length or validator. Differences count only where both sides
// name a value.
bool ShowsOtherFile(const RangeSource& source, int64_t length, const std::string& etag,
                    const std::string& lastModified);

#endif
