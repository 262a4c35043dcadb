// WHttp: a small blocking HTTP/1.1 client. One object performs one request
// at a time: split the URL, open a fresh connection, send a request built
// from fixed templates, read the head, decode the body by its transfer and
// content encoding, close. A 302 may be followed to its Location (at most
// kMaxRedirects times); other 3xx answers up to 301 count as success.
//
// Answers are read by HttpResponseReader, so a body is reported whole only
// when it is: a cut, stalled or malformed answer fails (15), whatever way its
// bytes were split across reads. Bodies without a declared length are read
// until the server closes. Content codings gzip and deflate are decoded.
//
// Every operation returns a ResultCode (a body whose gzip or deflate data is
// corrupt hands back the zlib status Z_DATA_ERROR instead) and throws
// nothing. Working buffers are all released when a transfer ends.
//
// Threads: one thread drives an object. Another thread may, while a transfer
// runs, call RequestStop() to end its body read loop early (it takes effect
// when the read in progress returns, so after at most one read wait), and may
// read the progress counters (received, contentLength, resumeOffset) at any
// time. Every request starts by clearing the stop flag, so a stop requested
// before the request begins has no effect.
#ifndef VELMORA_NET_WHTTP_H
#define VELMORA_NET_WHTTP_H

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "base/ResultCode.h"
#include "net/HttpResponseReader.h"
#include "net/WBlockList.h"
#include "net/WBodySource.h"
#include "net/WSocket.h"

// Orders header names without regard to ASCII case.
struct HeaderNameLess {
  bool operator()(const std::string& a, const std::string& b) const;
};

class WHttp : public WSocket {
 public:
  // How a response body is to be read; the result of ParseResponseHead.
  enum BodyKind : int {
    Identity = 0,
    Chunked = -188,
    GzipWithLength = -189,
    ChunkedGzip = -190,
    GzipToClose = -191,
  };

  static constexpr int32_t kDefaultBlockSize = kReceiveBlockSize;
  static constexpr size_t kHeadBlockSize = 3072;
  // A head longer than this fails the request (15).
  static constexpr size_t kMaxHeadSize = 64 * 1024;
  // The longest request FormatGetRequest / FormatRequest will produce.
  static constexpr size_t kMaxFormattedRequest = 2048;
  static constexpr int kMaxRedirects = 10;
  static constexpr int kDefaultReadPauseMs = 10;
  // A compressed body of more bytes than this is refused (15).
  static constexpr int64_t kMaxGzipLength = 1048576;

  WHttp();
  ~WHttp() override;

  // POST (method "POST" in any case) or GET to `url`; the body is stored in
  // `response` up to its first zero byte. `headerLines` go after
  // Content-Length of a POST; `extraHeaderLines` after Cache-Control.
  virtual ResultCode Request(const char* url, const char* body, int64_t bodyLength, std::string& response,
                             const char* method, const char* headerLines, const char* extraHeaderLines);
  // As Request, the body copied into `destination`, which holds `capacity`
  // bytes: 6 when the body does not fit (nothing is copied then).
  virtual ResultCode RequestToBuffer(const char* url, const char* body, int64_t bodyLength, char* destination,
                                     size_t capacity, const char* method, const char* headerLines);
  virtual ResultCode ExchangeToBuffer(const char* request, int64_t length, char* destination, size_t capacity);
  // GET `url` into the file at `filePath` (ANSI). With `resume`, asks for the
  // rest of an existing partial file and appends it; a server that sends the
  // whole file instead has it written from the start.
  virtual ResultCode DownloadFile(const char* url, const char* filePath, bool resume, bool follow);
  virtual ResultCode ExchangeToFile(const char* request, int64_t length, const char* filePath, bool ignored);
  virtual ResultCode Exchange(const char* request, int64_t length, std::string& response);
  // GET; `extraHeaderLines` stand before the Accept line.
  virtual ResultCode Get(const char* url, std::string& response, bool follow, const char* extraHeaderLines);

  // Writes a POST request with `body` (zero-terminated) into `out`, which
  // holds `capacity` bytes: 0, or 6 when it would not fit (out untouched).
  virtual ResultCode FormatPostRequest(char* out, size_t capacity, const char* method, const char* host,
                                       const char* path, const char* linesBeforeAccept,
                                       const char* linesAfterContentLength, const char* body,
                                       const char* linesAfterCacheControl);
  // A request over 2048 bytes leaves `out` as it was.
  virtual int FormatGetRequest(std::string& out, const char* host, const char* path, const char* extraHeaderLines);
  virtual void FormatRequest(std::string& out, const char* method, const char* host, const char* path,
                             const char* linesBeforeAccept, const char* linesBeforeCacheControl,
                             const char* linesAfterCacheControl);
  // Head and body in one new buffer (zero-terminated); returns the total
  // length (also stored in *outLength), -1 when memory is short.
  virtual int64_t BuildPostRequest(std::unique_ptr<char[]>& out, int64_t* outLength, const char* method,
                                   const char* host, const char* path, const char* linesBeforeAccept,
                                   const char* linesAfterContentLength, const char* body, int64_t bodyLength,
                                   const char* linesAfterCacheControl);
  virtual void ResetIo();
  virtual int ParseStatusCode(const char* statusLine);
  virtual int ParseResponseHead(const std::string& head);

  // Clears the per-request state; done at the start of every request.
  void Reset();
  // Safe from any thread while a transfer runs.
  void RequestStop() { stop.store(true); }
  // Milliseconds slept after each body read; 0 streams at full speed.
  void SetReadPause(int milliseconds) { readPauseMs_ = milliseconds < 0 ? 0 : milliseconds; }
  int readPause() const { return readPauseMs_; }
  // Bodies read into memory never grow past this many bytes: a declared
  // length beyond it is 5, a body that grows beyond it 15.
  void SetBodyLimit(size_t bytes) { bodyLimit_ = bytes; }

  // The first value received under `name` (any case); empty when absent.
  std::string HeaderValue(std::string_view name) const;

  // Per-request state, readable after a request until the next one starts.
  std::atomic<bool> stop{false};
  bool truncateFile = true;
  bool utf8Text = false;
  int32_t status = 0;
  int32_t blockSize = kDefaultBlockSize;
  uint32_t startTick = 0;
  uint32_t endTick = 0;
  std::atomic<int64_t> resumeOffset{0};
  std::atomic<int64_t> received{0};
  std::atomic<int64_t> contentLength{0};
  std::string statusLine;
  std::string rawHead;
  std::string requestText;
  std::multimap<std::string, std::pair<std::string, std::string>, HeaderNameLess> headers;
  WBlockList decodeBlocks;
  WBlockList chunkBlocks;
  WBlockList headBlocks;
  int32_t ioSocket = -1;
  SendFunction sendFn = &WSocket::TimedSend;
  RecvFunction recvFn = &WSocket::TimedRecv;

 protected:
  // Sends the request and reads the head into `reader` (skipping interim
  // answers); the body bytes that came with the head are left in `pending`.
  // 21 for a 302, 22 for another status outside 200..301, an unsupported
  // coding or no HTTP answer at all; 15 for a malformed or cut head.
  ResultCode SendAndReadHead(const char* request, int64_t length, HttpResponseReader& reader,
                             std::string* pending);
  // Feeds `pending`, then reads from the socket until the body is complete,
  // the peer stalls (five failed reads in a row) or stop is set; with the
  // read pause after each read. 0 only for a whole body.
  ResultCode ReadBody(HttpResponseReader& reader, std::string_view pending, const HttpResponseReader::BodySink& sink);
  // Reads and decodes the body into `body`, within the in-memory caps.
  ResultCode ReadBodyToMemory(HttpResponseReader& reader, std::string_view pending, std::string* body);
  ResultCode ExchangeBody(const char* request, int64_t length, std::string* body);
  ResultCode StreamToFile(const char* filePath, HttpResponseReader& reader, std::string_view pending,
                          bool fromStart);
  ResultCode CheckResumeAnswer() const;
  ResultCode WriteDecodedToFile(const char* filePath, std::string_view body, bool append);
  ResultCode OpenConnection(const SplitUrlResult& url);
  // The Host field: the host, and the port when it is not 80.
  static std::string HostField(const SplitUrlResult& url);
  // Reset, split, connect, run `exchange`, close; then follow a 302 when
  // `follow` is set, at most kMaxRedirects times, resolving a relative
  // Location against the URL it answered.
  using ExchangeStep = std::function<ResultCode(const SplitUrlResult&)>;
  ResultCode Transfer(const char* url, bool follow, const ExchangeStep& exchange);
  WBodySource BodySource();
  void ReleaseBlocks();
  // Takes the head and judges it: status, reader failure, content coding.
  ResultCode CheckHead(const HttpResponseReader& reader);
  // Fills statusLine, rawHead, headers, status, contentLength and the kind.
  void TakeHead(const HttpResponseReader& reader);
  HttpResponseReader::Options ReaderOptions(const char* request, int64_t length) const;

  int lastKind_ = Identity;
  // Why a body sink refused bytes (a file write failed, a cap was hit).
  ResultCode sinkError_ = Success;
  // The size of the last body read into memory when no declared length
  // describes it (decoded, or read to the close); -1 otherwise.
  int64_t lastDecodedLength_ = -1;
  int readPauseMs_ = kDefaultReadPauseMs;
  size_t bodyLimit_ = kMaxInMemoryBody;
};

#endif
