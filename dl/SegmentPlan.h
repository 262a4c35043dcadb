// Who fetches which bytes of one file when several connections share it.
// Each connection holds a lease: a range it writes from its start onwards,
// byte by byte in order. A free connection takes a range nobody holds, or
// else the back half of the largest range still open, so all connections
// stay busy until the end and none is left with a long tail. The plan
// knows what is written; only that is ever reported as done.
//
// Collapse() turns the plan to one connection: no more halving, and a
// lease whose answer runs to the end of the file (asked without an end)
// may go on to the end, over bytes already done (the same bytes again).
//
// Thread-safe: every connection calls in from its own thread.
#ifndef VELMORA_DL_SEGMENTPLAN_H
#define VELMORA_DL_SEGMENTPLAN_H

#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <vector>

#include "dl/ByteRanges.h"

class SegmentPlan {
 public:
  // No range is split into pieces smaller than this.
  static constexpr int64_t kMinPiece = 1 << 20;

  struct Lease {
    int id = -1;
    int64_t start = 0;
    int64_t end = 0;  // as handed out; it may shrink (halved) or, open-ended, grow
    bool openEnded = false;
  };
  struct Claim {
    int64_t offset = 0;
    size_t size = 0;  // 0: the lease reached its end
  };

  SegmentPlan(int64_t total, ByteRanges done);

  // The answer already arriving from `start` to the end of the file: it
  // holds the missing range that begins there.
  Lease AdoptStream(int64_t start);
  // Cuts what is left of lease `id` into up to `parts` equal pieces of at
  // least kMinPiece: the lease keeps the first, the others come back as
  // new leases. Servers that cap each connection deliver equal pieces in
  // equal times, which halving one after another does not give.
  std::vector<Lease> Split(int id, int parts);
  // Work for a free connection, or nothing when no range is free and none
  // is worth halving.
  std::optional<Lease> Take();
  // Reserves up to `wanted` bytes at the lease's next position.
  Claim ClaimNext(int id, size_t wanted);
  // The claimed bytes are written; true when that finished the lease (so
  // its connection need not wait for another byte to learn it).
  bool Written(int id, size_t size);
  // The lease ends; whatever it did not write is free again.
  void Release(int id);
  void Collapse();

  bool collapsed() const;
  ByteRanges Done() const;
  int64_t DoneBytes() const;
  bool Complete() const;
  int64_t total() const { return total_; }

 private:
  struct Held {
    int64_t next = 0;     // first byte not yet claimed
    int64_t written = 0;  // first byte not yet written
    int64_t end = 0;
    bool openEnded = false;
  };
  ByteRanges BusyLocked() const;
  std::optional<Lease> HalveLargestLocked();

  mutable std::mutex mutex_;
  const int64_t total_;
  ByteRanges done_;
  std::map<int, Held> held_;
  int nextId_ = 1;
  bool collapsed_ = false;
};

#endif
