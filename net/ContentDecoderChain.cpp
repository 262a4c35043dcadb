#include "net/ContentDecoderChain.h"

bool ContentDecoderChain::Build(const std::vector<std::string>& codings, uint64_t outputLimit,
                                std::string* unknown) {
  stages_.clear();
  for (auto it = codings.rbegin(); it != codings.rend(); ++it) {
    if (IsNoContentCoding(*it)) continue;
    auto decoder = ContentDecoder::ForCoding(*it, outputLimit);
    if (!decoder) {
      if (unknown) *unknown = *it;
      stages_.clear();
      return false;
    }
    stages_.push_back(std::move(decoder));
  }
  return true;
}

bool ContentDecoderChain::BuildForContentEncoding(const std::vector<std::string>& listed, uint64_t outputLimit,
                                                  std::string& problem) {
  std::vector<std::string> codings;
  for (const auto& coding : listed)
    if (!IsNoContentCoding(coding)) codings.push_back(coding);
  if (codings.size() > kMaxContentCodings) {
    stages_.clear();
    problem = "the server stacks " + std::to_string(codings.size()) + " content codings, more than " +
              std::to_string(kMaxContentCodings);
    return false;
  }
  std::string unknown;
  if (Build(codings, outputLimit, &unknown)) return true;
  problem = "the server's content coding \"" + unknown + "\" is not supported";
  return false;
}

bool ContentDecoderChain::Feed(const char* data, size_t size, const Sink& out) { return Emit(0, data, size, out); }

bool ContentDecoderChain::Finish(const Sink& out) {
  for (size_t stage = 0; stage < stages_.size(); ++stage) {
    auto next = [this, stage, &out](const char* d, size_t n) { return Emit(stage + 1, d, n, out); };
    if (!stages_[stage]->Finish(next)) return StageFailed(stage);
  }
  return true;
}

bool ContentDecoderChain::Emit(size_t stage, const char* data, size_t size, const Sink& out) {
  if (stage == stages_.size()) return !out || out(data, size);
  auto next = [this, stage, &out](const char* d, size_t n) { return Emit(stage + 1, d, n, out); };
  return stages_[stage]->Feed(data, size, next) || StageFailed(stage);
}

bool ContentDecoderChain::StageFailed(size_t stage) {
  if (error_.empty()) error_ = stages_[stage]->errorText();
  return false;
}
