// ContentDecoderChain: the decoders for a list of codings, as a
// Content-Encoding or Transfer-Encoding field lists them (in the order they
// were applied), undone last first. An empty chain passes bytes through.
//
// Threads: one thread drives a chain.
#ifndef VELMORA_NET_CONTENTDECODERCHAIN_H
#define VELMORA_NET_CONTENTDECODERCHAIN_H

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "net/ContentDecoder.h"

class ContentDecoderChain {
 public:
  using Sink = ContentDecoder::Sink;

  // "identity" and "none" are skipped. False when a coding cannot be decoded; `unknown`
  // then names it. Every stage's output is capped at `outputLimit`.
  bool Build(const std::vector<std::string>& codings, uint64_t outputLimit, std::string* unknown);
  // For an answer's Content-Encoding values as listed: none at all is an
  // empty chain; more than kMaxContentCodings or one that cannot be decoded
  // gives false with `problem` naming it in plain words.
  static constexpr size_t kMaxContentCodings = 4;
  bool BuildForContentEncoding(const std::vector<std::string>& listed, uint64_t outputLimit, std::string& problem);
  bool empty() const { return stages_.empty(); }

  // Decoded bytes go to `out`; false on corrupt data or a refusal of `out`.
  bool Feed(const char* data, size_t size, const Sink& out);
  // The coded stream ended: true when every stage ended cleanly.
  bool Finish(const Sink& out);
  // What the failing stage said.
  const std::string& errorText() const { return error_; }

 private:
  bool Emit(size_t stage, const char* data, size_t size, const Sink& out);
  bool StageFailed(size_t stage);

  std::vector<std::unique_ptr<ContentDecoder>> stages_;
  std::string error_;
};

#endif
