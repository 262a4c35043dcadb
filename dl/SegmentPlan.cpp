#include "dl/SegmentPlan.h"

#include <algorithm>

SegmentPlan::SegmentPlan(int64_t total, ByteRanges done) : total_(total), done_(std::move(done)) {}

ByteRanges SegmentPlan::BusyLocked() const {
  ByteRanges busy = done_;
  for (const auto& [id, held] : held_) AddByteRange(busy, held.written, held.end);
  return busy;
}

SegmentPlan::Lease SegmentPlan::AdoptStream(int64_t start) {
  std::lock_guard lock(mutex_);
  int64_t end = total_;
  for (const auto& [from, to] : BusyLocked())
    if (from > start) {
      end = from;
      break;
    }
  int id = nextId_++;
  held_[id] = Held{start, start, end, true};
  return Lease{id, start, end, true};
}

std::vector<SegmentPlan::Lease> SegmentPlan::Split(int id, int parts) {
  std::lock_guard lock(mutex_);
  std::vector<Lease> pieces;
  auto it = held_.find(id);
  if (it == held_.end() || parts < 2) return pieces;
  Held& held = it->second;
  int64_t left = held.end - held.next;
  parts = static_cast<int>(std::min<int64_t>(parts, left / kMinPiece));
  int64_t end = held.end;
  for (int piece = parts - 1; piece >= 1; --piece) {
    int64_t start = held.next + left * piece / parts;
    int newId = nextId_++;
    held_[newId] = Held{start, start, end, false};
    pieces.insert(pieces.begin(), Lease{newId, start, end, false});
    end = start;
  }
  held.end = end;
  return pieces;
}

std::optional<SegmentPlan::Lease> SegmentPlan::Take() {
  std::lock_guard lock(mutex_);
  ByteRanges free = MissingByteRanges(BusyLocked(), total_);
  if (!free.empty()) {
    int id = nextId_++;
    held_[id] = Held{free.front().first, free.front().first, free.front().second, false};
    return Lease{id, free.front().first, free.front().second, false};
  }
  if (collapsed_) return std::nullopt;
  return HalveLargestLocked();
}

std::optional<SegmentPlan::Lease> SegmentPlan::HalveLargestLocked() {
  Held* largest = nullptr;
  for (auto& [id, held] : held_)
    if (!largest || held.end - held.next > largest->end - largest->next) largest = &held;
  if (!largest || largest->end - largest->next < 2 * kMinPiece) return std::nullopt;
  int64_t middle = largest->next + (largest->end - largest->next) / 2;
  int id = nextId_++;
  held_[id] = Held{middle, middle, largest->end, false};
  largest->end = middle;
  return Lease{id, middle, held_[id].end, false};
}

SegmentPlan::Claim SegmentPlan::ClaimNext(int id, size_t wanted) {
  std::lock_guard lock(mutex_);
  auto it = held_.find(id);
  if (it == held_.end()) return {};
  Held& held = it->second;
  if (collapsed_ && held.openEnded) held.end = total_;
  size_t size = static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(wanted), held.end - held.next));
  Claim claim{held.next, size};
  held.next += static_cast<int64_t>(size);
  return claim;
}

bool SegmentPlan::Written(int id, size_t size) {
  std::lock_guard lock(mutex_);
  auto it = held_.find(id);
  if (it == held_.end()) return true;
  Held& held = it->second;
  AddByteRange(done_, held.written, held.written + static_cast<int64_t>(size));
  held.written += static_cast<int64_t>(size);
  // Open-ended leases of a collapsed plan run on to the end of the file.
  int64_t end = collapsed_ && held.openEnded ? total_ : held.end;
  return held.written >= end;
}

void SegmentPlan::Release(int id) {
  std::lock_guard lock(mutex_);
  held_.erase(id);
}

void SegmentPlan::Collapse() {
  std::lock_guard lock(mutex_);
  collapsed_ = true;
}

bool SegmentPlan::collapsed() const {
  std::lock_guard lock(mutex_);
  return collapsed_;
}

ByteRanges SegmentPlan::Done() const {
  std::lock_guard lock(mutex_);
  return done_;
}

int64_t SegmentPlan::DoneBytes() const {
  std::lock_guard lock(mutex_);
  return CoveredBytes(done_);
}

bool SegmentPlan::Complete() const {
  std::lock_guard lock(mutex_);
  return MissingByteRanges(done_, total_).empty();
}
