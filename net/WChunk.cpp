#include "net/WChunk.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "base/ReportError.h"

namespace {

constexpr const char* kStem = "WChunk";

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return 0;
}

// One decoding run. States:
//   SizeLine - waiting for a complete size line in the work buffer;
//   Data     - `remaining` bytes of the current chunk still to deliver;
//   DataEnd  - `skip` bytes of the chunk's closing line end still to drop.
class ChunkDecoder {
 public:
  ChunkDecoder(char* work, const WBodySource& source, size_t limit)
      : work_(work), source_(source), limit_(limit) {}

  void Preload(const char* initial, size_t count) {
    count_ = std::min(count, kChunkWorkSize);
    if (count_) std::memcpy(work_, initial, count_);
  }

  // False when decoding failed outright (as opposed to ending early).
  bool Run() {
    while (failures_ < kMaxFailedReads && !source_.Stopped() && !done_) {
      bool ok = state_ == State::SizeLine ? StepSizeLine()
                : state_ == State::Data   ? StepData()
                                          : StepDataEnd();
      if (!ok) return false;
    }
    return true;
  }

  size_t total() const { return total_; }
  const std::vector<BodyBytes>& pieces() const { return pieces_; }
  WBlockList& pieceBlocks() { return pieceBlocks_; }

 private:
  enum class State { SizeLine, Data, DataEnd };

  bool StepSizeLine() {
    const char* begin = work_ + position_;
    const char* end = work_ + count_;
    const char* crlf = std::search(begin, end, "\r\n", "\r\n" + 2);
    if (crlf == end) {
      Compact();
      if (count_ == kChunkWorkSize) {
        ReportErrorText(kStem, __LINE__, "chunk size line too long");
        return false;
      }
      ReadMore(std::min(kChunkLineRead, kChunkWorkSize - count_));
      return true;
    }
    uint64_t size = ParseChunkSize({begin, static_cast<size_t>(crlf - begin)});
    position_ = static_cast<size_t>(crlf - work_) + 2;
    if (size == 0) {
      done_ = true;
      return true;
    }
    if (size > limit_ - total_) {
      ReportErrorText(kStem, __LINE__, "chunked body over the size limit");
      return false;
    }
    remaining_ = size;
    state_ = State::Data;
    return true;
  }

  bool StepData() {
    size_t available = count_ - position_;
    if (available == 0) {
      // Large chunks go straight through the work buffer, block by block.
      position_ = count_ = 0;
      ReadMore(static_cast<size_t>(std::min<uint64_t>(kChunkWorkSize, remaining_)));
      return true;
    }
    size_t take = static_cast<size_t>(std::min<uint64_t>(available, remaining_));
    if (!AddPiece(work_ + position_, take)) return false;
    position_ += take;
    remaining_ -= take;
    if (remaining_ == 0) {
      skip_ = 2;
      state_ = State::DataEnd;
    }
    return true;
  }

  bool StepDataEnd() {
    size_t take = std::min(skip_, count_ - position_);
    position_ += take;
    skip_ -= take;
    if (skip_ == 0) {
      state_ = State::SizeLine;
    } else {
      Compact();
      ReadMore(std::min(kChunkLineRead, kChunkWorkSize - count_));
    }
    return true;
  }

  void Compact() {
    if (position_ == 0) return;
    std::memmove(work_, work_ + position_, count_ - position_);
    count_ -= position_;
    position_ = 0;
  }

  void ReadMore(size_t length) {
    int got = source_.Receive(work_ + count_, length);
    if (got < 1) {
      ++failures_;
      return;
    }
    count_ += static_cast<size_t>(got);
    failures_ = 0;
  }

  bool AddPiece(const char* data, size_t length) {
    char* piece = pieceBlocks_.Allocate(length + 1);
    if (!piece) return false;
    std::memcpy(piece, data, length);
    pieces_.push_back({piece, length});
    total_ += length;
    return true;
  }

  char* work_;
  const WBodySource& source_;
  size_t limit_;
  size_t position_ = 0;
  size_t count_ = 0;
  int failures_ = 0;
  bool done_ = false;
  State state_ = State::SizeLine;
  uint64_t remaining_ = 0;
  size_t skip_ = 0;
  size_t total_ = 0;
  std::vector<BodyBytes> pieces_;
  WBlockList pieceBlocks_;
};

}  // namespace

uint64_t ParseChunkSize(std::string_view line) {
  uint64_t value = 0;
  uint64_t weight = 1;
  for (size_t i = line.size(); i-- > 0; weight *= 16) value += static_cast<uint64_t>(HexDigit(line[i])) * weight;
  return value;
}

BodyBytes DecodeChunked(WBlockList& blocks, const WBodySource& source, const char* initial,
                        size_t count, size_t limit) {
  WBlockList workBlocks;
  char* work = workBlocks.Allocate(kChunkWorkSize + 1);
  if (!work) return {};
  ChunkDecoder decoder(work, source, limit);
  decoder.Preload(initial, count);
  if (!decoder.Run() || decoder.pieces().empty()) return {};
  char* joined = blocks.Allocate(decoder.total() + 1);
  if (!joined) return {};
  size_t at = 0;
  for (const BodyBytes& piece : decoder.pieces()) {
    std::memcpy(joined + at, piece.data, piece.length);
    at += piece.length;
  }
  return {joined, at};
}
