#include "dl/stream/KeyCache.h"

FetchedResource KeyCache::Get(const std::string& uri, const FetchContext& context) {
  // One fetch at a time: a key shared by the segments fetched at once is
  // then fetched once, not once per connection.
  std::lock_guard lock(mutex_);
  FetchedResource result;
  if (auto found = keys_.find(uri); found != keys_.end()) {
    result.end = FetchedResource::End::Done;
    result.body = found->second;
    return result;
  }
  ++fetches_;
  result = FetchResource(uri, ByteSpan{}, 64, "the key size limit of 64 bytes", context);
  if (result.end != FetchedResource::End::Done) return result;
  if (result.body.size() != 16) {
    result.end = FetchedResource::End::Fail;
    result.cause = FailureCause::BadAnswer;
    result.code = HttpTypeError;
    result.error = "the key at " + uri + " is " + std::to_string(result.body.size()) + " bytes, not 16";
    return result;
  }
  keys_[uri] = result.body;
  return result;
}

int KeyCache::fetches() const {
  std::lock_guard lock(mutex_);
  return fetches_;
}
