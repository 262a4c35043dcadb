// HttpResponseReader: an incremental reader of one HTTP/1.x response.
// Bytes are fed as they arrive, split anywhere; the outcome never depends on
// how the answer was cut across reads. It reads the head (skipping interim
// 1xx answers), then frames the body by the rules of RFC 9112: no body
// (HEAD, 1xx, 204, 304), chunked (the last transfer coding), a declared
// length, or everything until the peer closes. Body bytes come out de-framed
// but still content-coded (see ContentDecoder.h).
//
// Head lines may end in CR LF or a bare LF. A head line holding a control
// character (NUL, a bare CR, ...) fails the answer; a field line without a
// colon, with an empty name or with a name that is not a token is skipped;
// a line that starts with a blank continues the previous field's value.
// A status line that is not "HTTP/1.x NNN ..." fails with HttpTypeError.
//
// A repeated final "chunked" (in one list or on two lines) is one chunked.
// Transfer codings other than chunked that come before it (or stand alone,
// with the body then read until the peer closes) are undone here, so the
// body is never handed over still transfer-coded; a coding that cannot be
// undone fails with HttpTypeError and a text naming it.
//
// Threads: one thread drives a reader. Nothing here touches a socket.
#ifndef VELMORA_NET_HTTPRESPONSEREADER_H
#define VELMORA_NET_HTTPRESPONSEREADER_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "net/ContentDecoder.h"
#include "net/ContentDecoderChain.h"
#include "net/HeaderList.h"
#include "base/ResultCode.h"

struct HttpResponseHead {
  int versionMinor = 1;            // HTTP/1.x
  int status = 0;
  std::string reason;
  // In order of arrival, names as sent; repeated names stay repeated.
  HeaderList fields;
  // The status line as sent, without its line end.
  std::string statusLine;

  // First value of `name` (any case); empty when absent.
  std::string Value(std::string_view name) const;
  bool Has(std::string_view name) const;
  // Every value of `name`, list elements split at commas and trimmed
  // (for Transfer-Encoding, Content-Encoding, Connection).
  std::vector<std::string> ListValues(std::string_view name) const;
};

struct HttpResponseReaderOptions {
  bool headRequest = false;         // the answer to HEAD has no body
  size_t maxHeadBytes = 64 * 1024;  // a longer head fails (NetReadError)
  // Feed returns as soon as the head is read, leaving the bytes after it
  // unused, so the caller can look at the head before any body byte reaches
  // a sink.
  bool pauseAfterHead = false;
  // Cap on the bytes produced by undoing transfer codings (gzip, deflate).
  uint64_t maxDecodedBytes = ContentDecoder::kDefaultOutputLimit;
};

class HttpResponseReader {
 public:
  enum class State { Head, Body, Done, Failed };
  enum class Framing { None, Length, Chunked, ToClose };

  // Declared outside the class: a nested struct with member initialisers
  // cannot be the default argument of the constructor below.
  using Options = HttpResponseReaderOptions;

  // Receives de-framed body bytes; returning false stops reading (the
  // reader fails with `code` 2 "open file is error..."-style write failure
  // left to the caller: state Failed, errorText "stopped by the receiver").
  // An empty sink drops the bytes.
  using BodySink = std::function<bool(const char* data, size_t size)>;

  explicit HttpResponseReader(Options options = {});

  // Consumes what it can of `data`; returns the bytes used. Once the state
  // is Done, further bytes are not used (bytes after a declared length are
  // ignored the same way every time).
  size_t Feed(const char* data, size_t size, const BodySink& sink);
  // The peer closed the connection: completes a ToClose body; any other
  // unfinished state fails (a cut head, a body short of its length, a
  // chunked body before its last chunk).
  void FinishAtClose();
  // As above; `sink` receives what undoing a transfer coding still yields.
  void FinishAtClose(const BodySink& sink);

  State state() const;
  bool headDone() const;                 // head (after 1xx) fully read
  const HttpResponseHead& head() const;  // valid once headDone()
  Framing framing() const;
  int64_t declaredLength() const;        // Content-Length, -1 when none
  int64_t bodyBytes() const;             // de-framed body bytes delivered
  // Failure: a ResultCode (NetReadError for malformed answers,
  // NetReadNotEnd for a cut body, HttpTypeError for an unsupported
  // transfer coding) and a plain-words reason naming what was wrong.
  ResultCode error() const;
  const std::string& errorText() const;
  // The final head exactly as received, through its empty line.
  const std::string& rawHead() const;

 private:
  // Per-byte states of the head.
  enum class HeadState {
    StatusLine,    // in the status line
    StatusLineCR,  // a CR in the status line: a LF must follow
    LineStart,     // at the start of a field line or of the empty line
    EndCR,         // a CR at a line start: the head ends with the LF
    FieldName,     // in a field name, before its colon
    FieldValue,    // in a field value
    ValueCR,       // a CR in a field value: a LF must follow
    SkipLine,      // in a field line that is skipped
    SkipCR,        // a CR in a skipped line: a LF must follow
  };
  // Per-byte states of the body.
  enum class BodyState {
    Length,          // a declared number of bytes still to come
    ToClose,         // everything until the peer closes
    ChunkSize,       // hex digits of a chunk size line
    ChunkSizeBlank,  // blanks after the size digits
    ChunkExtension,  // after ';' up to the line end (ignored)
    ChunkSizeCR,     // a CR ended the size line: a LF must follow
    ChunkData,       // the chunk's bytes
    ChunkDataEnd,    // the line end after the chunk's bytes
    ChunkDataCR,     // its CR seen: a LF must follow
    TrailerStart,    // at the start of a trailer line or the empty line
    TrailerLine,     // in a trailer line (ignored)
    TrailerEndCR,    // a CR at a trailer line start: the LF ends the body
  };

  size_t FeedHead(const char* data, size_t size);
  bool HeadByte(unsigned char byte);
  bool FinishStatusLine();
  void CommitField();
  bool HeadComplete();
  bool ChooseFraming();
  bool SetUpTransferCodings(const std::vector<std::string>& codings);
  bool ReadContentLength();
  size_t FeedBody(const char* data, size_t size);
  bool ChunkLineByte(unsigned char byte);
  bool EndOfChunkSizeLine();
  bool Deliver(const char* data, size_t size);
  bool ToSink(const char* data, size_t size);
  bool CompleteBody();
  bool Fail(ResultCode code, std::string text);

  Options options_;
  State state_ = State::Head;
  HeadState headState_ = HeadState::StatusLine;
  BodyState bodyState_ = BodyState::Length;
  Framing framing_ = Framing::None;
  HttpResponseHead head_;
  std::string raw_;
  std::string line_;
  std::string fieldName_;
  std::string fieldValue_;
  bool fieldPending_ = false;
  bool skipBlanks_ = false;
  bool headDone_ = false;
  size_t headBytesSeen_ = 0;
  int64_t declaredLength_ = -1;
  uint64_t remaining_ = 0;
  uint64_t chunkSize_ = 0;
  int chunkDigits_ = 0;
  size_t chunkLineBytes_ = 0;
  size_t trailerBytes_ = 0;
  int64_t bodyBytes_ = 0;
  ContentDecoderChain transferCodings_;
  const BodySink* sink_ = nullptr;
  ResultCode error_ = Success;
  std::string errorText_;
};

#endif
