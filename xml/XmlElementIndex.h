// XmlElementIndex: the element index of a document, a segmented array of
// eight-word entries.
//
// Index i lives in segment i >> 16, slot i & 0xFFFF. Full segments hold 65,536
// entries and never move; only the last segment grows (by half each time, up
// to a full segment), so growing copies at most one segment. Entry 0 is the
// document itself. Memory is 32 bytes per allocated entry plus at most one
// partly used segment.
#ifndef VELMORA_XML_XMLELEMENTINDEX_H
#define VELMORA_XML_XMLELEMENTINDEX_H

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

// Entry flags, in the upper half of the level word.
enum XmlEntryFlag : uint32_t {
  kEntryDeleted = 0x20000,
  kEntryFirstChild = 0x80000,
  kEntryUnended = 0x100000,
  kEntryIllData = 0x200000,
  kEntryIllFormed = 0x800000,  // entry 0 only
};

struct XmlElementEntry {
  uint32_t start;       // offset of the '<' of the start tag
  uint32_t length;      // up to just after the end tag (start tag only when empty/unended)
  uint32_t tagLengths;  // bits 0-21 start tag length, 22-31 end tag length
  uint32_t levelFlags;  // bits 0-15 depth, upper bits XmlEntryFlag
  int32_t parent;
  int32_t firstChild;
  int32_t next;
  int32_t prev;         // a first child's prev names the last child
};
static_assert(sizeof(XmlElementEntry) == 32);

class XmlElementIndex {
 public:
  static constexpr uint32_t kSegmentBits = 16;
  static constexpr uint32_t kSegmentSize = 1u << kSegmentBits;
  static constexpr uint32_t kMaxStartTagField = 0x3FFFFF;
  static constexpr uint32_t kMaxEndTagField = 0x3FF;
  static constexpr uint32_t kMaxLevel = 0xFFFF;
  // Offsets are 32-bit; texts (and edits) stay below 2^31 units.
  static constexpr std::size_t kMaxTextUnits = 0x7FFFFFFF;

  XmlElementIndex();

  // Forgets every entry, makes room for about `expected` entries and leaves
  // a cleared entry 0; nextFree() is 1 again and the deleted chain empty.
  void Reset(std::size_t expected);
  // Drops all storage; only a cleared entry 0 remains.
  void Release();

  XmlElementEntry& operator[](int32_t i) {
    return segments_[uint32_t(i) >> kSegmentBits][uint32_t(i) & (kSegmentSize - 1)];
  }
  const XmlElementEntry& operator[](int32_t i) const {
    return segments_[uint32_t(i) >> kSegmentBits][uint32_t(i) & (kSegmentSize - 1)];
  }

  // Hands out the next unused index with a cleared entry; -1 when the index
  // space (2^31 entries) is exhausted.
  int32_t Allocate() {
    if (uint32_t(nextFree_) < capacity_) {
      (*this)[nextFree_] = XmlElementEntry{};
      return nextFree_++;
    }
    return AllocateSlow();
  }
  int32_t nextFree() const { return nextFree_; }
  int32_t deletedList() const { return deletedList_; }
  void setDeletedList(int32_t head) { deletedList_ = head; }

  // Tag lengths too long for their packed fields are kept on the side, so any
  // length is exact.
  uint32_t StartTagLength(int32_t i) const;
  uint32_t EndTagLength(int32_t i) const;
  void SetStartTagLength(int32_t i, uint32_t n) {
    uint32_t& word = (*this)[i].tagLengths;
    if (n < kMaxStartTagField && (word & kMaxStartTagField) != kMaxStartTagField)
      word = (word & ~kMaxStartTagField) | n;
    else
      SetLongStartTag(i, n);
  }
  void SetEndTagLength(int32_t i, uint32_t n) {
    uint32_t& word = (*this)[i].tagLengths;
    if (n < kMaxEndTagField && (word >> 22) != kMaxEndTagField)
      word = (word & kMaxStartTagField) | (n << 22);
    else
      SetLongEndTag(i, n);
  }

  static uint32_t Level(const XmlElementEntry& e) { return e.levelFlags & 0xFFFF; }
  static void SetLevel(XmlElementEntry& e, uint32_t level) {
    e.levelFlags = (e.levelFlags & ~kMaxLevel) | (level < kMaxLevel ? level : kMaxLevel);
  }
  static bool Has(const XmlElementEntry& e, uint32_t flag) { return (e.levelFlags & flag) != 0; }

  // Gives back the unused tail of the last segment (after a parse).
  void ShrinkToFit();

  // Bytes held by entries and segment storage (not the text).
  std::size_t MemoryBytes() const;

 private:
  int32_t AllocateSlow();
  void SetLongStartTag(int32_t i, uint32_t n);
  void SetLongEndTag(int32_t i, uint32_t n);
  void Grow();

  // Segments live in malloc'd blocks so the last one can be resized with
  // realloc: growing may extend it in place, trimming never copies.
  struct FreeSegment {
    void operator()(XmlElementEntry* segment) const;
  };
  using Segment = std::unique_ptr<XmlElementEntry[], FreeSegment>;
  static Segment NewSegment(uint32_t capacity);
  static void ResizeSegment(Segment& segment, uint32_t capacity);

  std::vector<Segment> segments_;
  uint32_t lastCapacity_ = 0;  // capacity of the last segment
  uint32_t capacity_ = 0;      // entries in all segments
  int32_t nextFree_ = 1;
  int32_t deletedList_ = 0;
  std::unordered_map<int32_t, uint32_t> longStartTags_;
  std::unordered_map<int32_t, uint32_t> longEndTags_;
};

#endif
