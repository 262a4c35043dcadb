// The segmented element index. Segments other than the last are always full;
// the last one grows by half up to a full segment, after which a new segment
// starts, so no full segment is ever copied.
#include "xml/XmlElementIndex.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

constexpr uint32_t kMinSegment = 16;
constexpr int32_t kMaxEntries = 0x7FFFFFFF;

}  // namespace

void XmlElementIndex::FreeSegment::operator()(XmlElementEntry* segment) const { std::free(segment); }

XmlElementIndex::Segment XmlElementIndex::NewSegment(uint32_t capacity) {
  void* block = std::malloc(sizeof(XmlElementEntry) * capacity);
  if (!block) throw std::bad_alloc();
  return Segment(static_cast<XmlElementEntry*>(block));
}

void XmlElementIndex::ResizeSegment(Segment& segment, uint32_t capacity) {
  void* block = std::realloc(segment.get(), sizeof(XmlElementEntry) * capacity);
  if (!block) throw std::bad_alloc();  // the old block is still owned and intact
  (void)segment.release();
  segment.reset(static_cast<XmlElementEntry*>(block));
}

XmlElementIndex::XmlElementIndex() { Reset(0); }

void XmlElementIndex::Reset(std::size_t expected) {
  uint32_t want = uint32_t(std::clamp<std::size_t>(expected, kMinSegment, kSegmentSize));
  if (segments_.size() != 1 || lastCapacity_ < want || lastCapacity_ > 4 * want) {
    segments_.clear();
    segments_.push_back(NewSegment(want));
    lastCapacity_ = want;
  }
  capacity_ = lastCapacity_;
  std::memset(&segments_[0][0], 0, sizeof(XmlElementEntry));
  nextFree_ = 1;
  deletedList_ = 0;
  longStartTags_.clear();
  longEndTags_.clear();
}

void XmlElementIndex::Release() {
  segments_.clear();
  segments_.push_back(NewSegment(1));
  lastCapacity_ = capacity_ = 1;
  std::memset(&segments_[0][0], 0, sizeof(XmlElementEntry));
  nextFree_ = 1;
  deletedList_ = 0;
  longStartTags_.clear();
  longEndTags_.clear();
}

void XmlElementIndex::Grow() {
  if (lastCapacity_ == kSegmentSize) {
    segments_.push_back(NewSegment(kSegmentSize));
    capacity_ += kSegmentSize;
    return;  // lastCapacity_ stays a full segment
  }
  uint32_t grown = std::min(kSegmentSize, std::max(kMinSegment, lastCapacity_ + lastCapacity_ / 2));
  ResizeSegment(segments_.back(), grown);
  capacity_ += grown - lastCapacity_;
  lastCapacity_ = grown;
}

int32_t XmlElementIndex::AllocateSlow() {
  if (nextFree_ == kMaxEntries) return -1;
  while (uint32_t(nextFree_) >= capacity_) Grow();
  (*this)[nextFree_] = XmlElementEntry{};
  return nextFree_++;
}

void XmlElementIndex::ShrinkToFit() {
  uint32_t used = uint32_t(nextFree_) - uint32_t(segments_.size() - 1) * kSegmentSize;
  uint32_t keep = std::max(used, kMinSegment);
  if (lastCapacity_ < kSegmentSize / 64 || keep + keep / 8 >= lastCapacity_) return;
  ResizeSegment(segments_.back(), keep);
  capacity_ -= lastCapacity_ - keep;
  lastCapacity_ = keep;
}

uint32_t XmlElementIndex::StartTagLength(int32_t i) const {
  uint32_t n = (*this)[i].tagLengths & kMaxStartTagField;
  return n == kMaxStartTagField ? longStartTags_.at(i) : n;
}

uint32_t XmlElementIndex::EndTagLength(int32_t i) const {
  uint32_t n = (*this)[i].tagLengths >> 22;
  return n == kMaxEndTagField ? longEndTags_.at(i) : n;
}

void XmlElementIndex::SetLongStartTag(int32_t i, uint32_t n) {
  uint32_t& word = (*this)[i].tagLengths;
  if (n >= kMaxStartTagField) {
    longStartTags_[i] = n;
    n = kMaxStartTagField;
  } else {
    longStartTags_.erase(i);
  }
  word = (word & ~kMaxStartTagField) | n;
}

void XmlElementIndex::SetLongEndTag(int32_t i, uint32_t n) {
  uint32_t& word = (*this)[i].tagLengths;
  if (n >= kMaxEndTagField) {
    longEndTags_[i] = n;
    n = kMaxEndTagField;
  } else {
    longEndTags_.erase(i);
  }
  word = (word & kMaxStartTagField) | (n << 22);
}

std::size_t XmlElementIndex::MemoryBytes() const {
  return std::size_t(capacity_) * sizeof(XmlElementEntry) + segments_.capacity() * sizeof(segments_[0]) +
         (longStartTags_.size() + longEndTags_.size()) * 32;
}
