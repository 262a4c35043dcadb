// Streaming decoders for content codings. zlib does the inflating; the gzip
// member framing (header fields, trailer checks, members back to back) is
// walked here byte by byte, so a piece boundary may fall anywhere.
#include "net/ContentDecoder.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <climits>

namespace {

constexpr size_t kOutputBlock = 64 * 1024;

bool EqualsNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

// What every decoder shares: the first error, the output cap and the count.
class DecoderBase : public ContentDecoder {
 public:
  explicit DecoderBase(uint64_t limit) : limit_(limit) {}
  const std::string& errorText() const override { return error_; }

 protected:
  bool Fail(std::string text) {
    if (error_.empty()) error_ = std::move(text);
    failed_ = true;
    return false;
  }
  bool Emit(const char* data, size_t size, const Sink& sink) {
    if (size == 0) return true;
    if (size > limit_ - produced_) return Fail("decoded body larger than " + std::to_string(limit_) + " bytes");
    produced_ += size;
    if (!sink || !sink(data, size)) return Fail("stopped by the receiver");
    return true;
  }

  bool failed_ = false;

 private:
  uint64_t limit_;
  uint64_t produced_ = 0;
  std::string error_;
};

class IdentityDecoder final : public DecoderBase {
 public:
  using DecoderBase::DecoderBase;
  bool Feed(const char* data, size_t size, const Sink& sink) override {
    return !failed_ && Emit(data, size, sink);
  }
  bool Finish(const Sink&) override { return !failed_; }
};

// One zlib inflate stream (raw or zlib-wrapped) that hands its output on in
// blocks and keeps the CRC-32 and length of what it produced.
class Inflater {
 public:
  enum class Step { NeedInput, StreamEnd, Error };

  explicit Inflater(int windowBits) : out_(new char[kOutputBlock]) {
    ok_ = inflateInit2(&stream_, windowBits) == Z_OK;
  }
  ~Inflater() {
    if (ok_) inflateEnd(&stream_);
  }
  Inflater(const Inflater&) = delete;
  Inflater& operator=(const Inflater&) = delete;

  bool ok() const { return ok_; }
  void Restart() {
    inflateReset(&stream_);
    crc_ = crc32(0, nullptr, 0);
    length_ = 0;
  }
  uint32_t crc() const { return static_cast<uint32_t>(crc_); }
  uint32_t length() const { return length_; }
  const char* message() const { return stream_.msg ? stream_.msg : "corrupt deflate data"; }

  // Inflates from `*data`; advances it past the input used. `emit` gets
  // every block of output; its refusal is an Error.
  template <typename Emit>
  Step Run(const char** data, size_t* size, Emit&& emit) {
    while (true) {
      uInt offered = static_cast<uInt>(std::min<size_t>(*size, UINT_MAX));
      stream_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(*data));
      stream_.avail_in = offered;
      stream_.next_out = reinterpret_cast<Bytef*>(out_.get());
      stream_.avail_out = static_cast<uInt>(kOutputBlock);
      int result = inflate(&stream_, Z_NO_FLUSH);
      size_t used = offered - stream_.avail_in;
      *data += used;
      *size -= used;
      size_t produced = kOutputBlock - stream_.avail_out;
      crc_ = crc32(crc_, reinterpret_cast<const Bytef*>(out_.get()), static_cast<uInt>(produced));
      length_ += static_cast<uint32_t>(produced);  // modulo 2^32, as the gzip trailer keeps it
      if (produced > 0 && !emit(out_.get(), produced)) return Step::Error;
      if (result == Z_STREAM_END) return Step::StreamEnd;
      if (result != Z_OK && result != Z_BUF_ERROR) return Step::Error;
      if (*size == 0 && produced < kOutputBlock) return Step::NeedInput;
      // Input left and nothing moved: zlib cannot go on with this data.
      if (used == 0 && produced == 0) return Step::Error;
    }
  }

 private:
  z_stream stream_{};
  bool ok_ = false;
  std::unique_ptr<char[]> out_;
  uLong crc_ = crc32(0, nullptr, 0);
  uint32_t length_ = 0;
};

// gzip (RFC 1952), one member after another. States:
//   Fixed     - the 10 fixed header bytes (magic, method, flags, ...);
//   ExtraSize - the 2 length bytes of FEXTRA;   Extra - its bytes;
//   Name, Comment - zero-terminated texts;      HeaderCrc - FHCRC's 2 bytes;
//   Data      - the deflate stream;             Trailer - CRC-32 and ISIZE;
//   Between   - a member ended; more bytes start the next one.
class GzipDecoder final : public DecoderBase {
 public:
  explicit GzipDecoder(uint64_t limit) : DecoderBase(limit), inflater_(-15) {}

  bool Feed(const char* data, size_t size, const Sink& sink) override {
    if (failed_) return false;
    if (!inflater_.ok()) return Fail("out of memory for the gzip decoder");
    while (size > 0) {
      if (state_ == State::Data) {
        if (!RunData(&data, &size, sink)) return false;
        continue;
      }
      if (!HeaderByte(static_cast<unsigned char>(*data))) return false;
      ++data;
      --size;
    }
    return true;
  }

  bool Finish(const Sink&) override {
    if (failed_) return false;
    if (state_ == State::Between || (state_ == State::Fixed && members_ == 0 && got_ == 0)) return true;
    return Fail("gzip data ends inside a member");
  }

 private:
  enum class State { Fixed, ExtraSize, Extra, Name, Comment, HeaderCrc, Data, Trailer, Between };
  enum Flags : unsigned { kText = 1, kHeaderCrc = 2, kExtra = 4, kName = 8, kComment = 16, kReserved = 0xE0 };

  bool RunData(const char** data, size_t* size, const Sink& sink) {
    auto emit = [&](const char* out, size_t n) { return Emit(out, n, sink); };
    switch (inflater_.Run(data, size, emit)) {
      case Inflater::Step::NeedInput: return true;
      case Inflater::Step::StreamEnd: Enter(State::Trailer); return true;
      case Inflater::Step::Error: return failed_ ? false : Fail(std::string("gzip: ") + inflater_.message());
    }
    return false;
  }

  void Enter(State state) {
    state_ = state;
    got_ = 0;
  }

  // Header bytes (all but the deflate data) one at a time.
  bool HeaderByte(unsigned char byte) {
    if (state_ != State::Trailer && state_ != State::HeaderCrc && state_ != State::Between)
      headerCrc_ = crc32(headerCrc_, &byte, 1);
    switch (state_) {
      case State::Between:
        headerCrc_ = crc32(crc32(0, nullptr, 0), &byte, 1);
        Enter(State::Fixed);
        return FixedByte(byte);
      case State::Fixed: return FixedByte(byte);
      case State::ExtraSize:
        extraLeft_ |= static_cast<size_t>(byte) << (8 * got_);
        if (++got_ == 2) extraLeft_ ? Enter(State::Extra) : AfterExtra();
        return true;
      case State::Extra:
        if (--extraLeft_ == 0) AfterExtra();
        return true;
      case State::Name:
        if (byte == 0) AfterName();
        return true;
      case State::Comment:
        if (byte == 0) AfterComment();
        return true;
      case State::HeaderCrc: return HeaderCrcByte(byte);
      case State::Trailer: return TrailerByte(byte);
      case State::Data: break;
    }
    return true;
  }

  bool FixedByte(unsigned char byte) {
    static constexpr std::array<unsigned char, 3> kMagic = {0x1f, 0x8b, 8};
    if (got_ < 3 && byte != kMagic[got_]) {
      if (members_ > 0 && got_ == 0) return Fail("data after the last gzip member");
      return Fail(got_ == 2 ? "gzip member with an unknown compression method" : "not gzip data");
    }
    if (got_ == 3) {
      if (byte & kReserved) return Fail("gzip header with reserved flags set");
      flags_ = byte;
    }
    if (++got_ == 10) AfterFixed();
    return true;
  }

  void AfterFixed() {
    extraLeft_ = 0;
    if (flags_ & kExtra) return Enter(State::ExtraSize);
    AfterExtra();
  }
  void AfterExtra() {
    if (flags_ & kName) return Enter(State::Name);
    AfterName();
  }
  void AfterName() {
    if (flags_ & kComment) return Enter(State::Comment);
    AfterComment();
  }
  void AfterComment() {
    if (flags_ & kHeaderCrc) {
      expectedHeaderCrc_ = static_cast<uint16_t>(headerCrc_ & 0xFFFF);
      return Enter(State::HeaderCrc);
    }
    StartData();
  }
  void StartData() {
    inflater_.Restart();
    Enter(State::Data);
  }

  bool HeaderCrcByte(unsigned char byte) {
    storedHeaderCrc_ |= static_cast<uint16_t>(byte << (8 * got_));
    if (++got_ < 2) return true;
    if (storedHeaderCrc_ != expectedHeaderCrc_) return Fail("gzip header checksum does not match");
    storedHeaderCrc_ = 0;
    StartData();
    return true;
  }

  bool TrailerByte(unsigned char byte) {
    trailer_[got_] = byte;
    if (++got_ < 8) return true;
    auto word = [&](int at) {
      return uint32_t{trailer_[at]} | uint32_t{trailer_[at + 1]} << 8 | uint32_t{trailer_[at + 2]} << 16 |
             uint32_t{trailer_[at + 3]} << 24;
    };
    if (word(0) != inflater_.crc()) return Fail("gzip member fails its CRC-32 check");
    if (word(4) != inflater_.length()) return Fail("gzip member size does not match its trailer");
    ++members_;
    Enter(State::Between);
    return true;
  }

  Inflater inflater_;
  State state_ = State::Fixed;
  size_t got_ = 0;
  unsigned flags_ = 0;
  size_t extraLeft_ = 0;
  uLong headerCrc_ = crc32(0, nullptr, 0);
  uint16_t expectedHeaderCrc_ = 0;
  uint16_t storedHeaderCrc_ = 0;
  std::array<unsigned char, 8> trailer_{};
  int members_ = 0;
};

// deflate: zlib-wrapped (RFC 1950) as the coding says, or raw (RFC 1951) as
// some servers send it. The first two bytes tell them apart: a zlib header
// names method 8 and is a multiple of 31.
class DeflateDecoder final : public DecoderBase {
 public:
  using DecoderBase::DecoderBase;

  bool Feed(const char* data, size_t size, const Sink& sink) override {
    if (failed_) return false;
    if (size == 0) return true;
    if (ended_) return Fail("data after the end of the deflate stream");
    if (!inflater_) {
      while (size > 0 && start_.size() < 2) {
        start_.push_back(*data++);
        --size;
      }
      if (start_.size() < 2) return true;
      if (!Begin()) return false;
      std::string start = std::move(start_);
      if (!Run(start.data(), start.size(), sink)) return false;
    }
    return Run(data, size, sink);
  }

  bool Finish(const Sink&) override {
    if (failed_) return false;
    if (ended_ || (!inflater_ && start_.empty())) return true;
    return Fail("deflate data ends before its stream does");
  }

 private:
  static bool LooksZlibWrapped(unsigned char b0, unsigned char b1) {
    return (b0 & 0x0F) == 8 && (b0 >> 4) <= 7 && ((b0 << 8) | b1) % 31 == 0;
  }

  bool Begin() {
    bool wrapped = LooksZlibWrapped(static_cast<unsigned char>(start_[0]), static_cast<unsigned char>(start_[1]));
    inflater_ = std::make_unique<Inflater>(wrapped ? 15 : -15);
    if (!inflater_->ok()) return Fail("out of memory for the deflate decoder");
    return true;
  }

  bool Run(const char* data, size_t size, const Sink& sink) {
    auto emit = [&](const char* out, size_t n) { return Emit(out, n, sink); };
    while (size > 0) {
      if (ended_) return Fail("data after the end of the deflate stream");
      switch (inflater_->Run(&data, &size, emit)) {
        case Inflater::Step::NeedInput: break;
        case Inflater::Step::StreamEnd: ended_ = true; break;
        case Inflater::Step::Error: return failed_ ? false : Fail(std::string("deflate: ") + inflater_->message());
      }
    }
    return true;
  }

  std::unique_ptr<Inflater> inflater_;
  std::string start_;
  bool ended_ = false;
};

}  // namespace

bool IsNoContentCoding(std::string_view coding) {
  return EqualsNoCase(coding, "identity") || EqualsNoCase(coding, "none");
}

std::unique_ptr<ContentDecoder> ContentDecoder::ForCoding(std::string_view coding) {
  return ForCoding(coding, kDefaultOutputLimit);
}

std::unique_ptr<ContentDecoder> ContentDecoder::ForCoding(std::string_view coding, uint64_t outputLimit) {
  if (IsNoContentCoding(coding)) return std::make_unique<IdentityDecoder>(outputLimit);
  if (EqualsNoCase(coding, "gzip") || EqualsNoCase(coding, "x-gzip")) return std::make_unique<GzipDecoder>(outputLimit);
  if (EqualsNoCase(coding, "deflate")) return std::make_unique<DeflateDecoder>(outputLimit);
  return nullptr;
}
