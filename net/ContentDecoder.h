// ContentDecoder: streaming decoder of a body's content coding, fed in
// pieces of any size. gzip decodes every member of a multi-member stream and
// skips the optional header fields (FEXTRA, FNAME, FCOMMENT, FHCRC), checking
// each member's CRC-32 and size; deflate accepts the zlib-wrapped form and,
// as some servers send it, raw deflate; identity passes bytes through.
// Output is capped (a bomb fails instead of filling memory or disk).
//
// Threads: one thread drives a decoder. After a failure every later call
// fails too, and errorText() names what was wrong.
#ifndef VELMORA_NET_CONTENTDECODER_H
#define VELMORA_NET_CONTENTDECODER_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

// Whether a coding named in Content-Encoding leaves the bytes as they are:
// "identity", and "none" as many download scripts send it (any case).
bool IsNoContentCoding(std::string_view coding);

class ContentDecoder {
 public:
  using Sink = std::function<bool(const char* data, size_t size)>;

  // The output cap of decoders made without an explicit one.
  static constexpr uint64_t kDefaultOutputLimit = uint64_t{4} << 30;

  virtual ~ContentDecoder() = default;
  // "identity" or "none", "gzip", "x-gzip", "deflate" (any case); null for a coding
  // this client cannot decode (the caller fails with a message naming it).
  static std::unique_ptr<ContentDecoder> ForCoding(std::string_view coding);
  // As above; more than `outputLimit` decoded bytes fail the decoder.
  static std::unique_ptr<ContentDecoder> ForCoding(std::string_view coding, uint64_t outputLimit);

  // Decoded bytes go to `sink`; false on corrupt data or a sink refusal.
  virtual bool Feed(const char* data, size_t size, const Sink& sink) = 0;
  // The coded stream ended: true when it ended cleanly (no member cut).
  virtual bool Finish(const Sink& sink) = 0;
  virtual const std::string& errorText() const = 0;
};

#endif
