// The keys of an encrypted stream, each fetched once (with the task's
// headers) however many segments share it. Thread-safe: the segment
// fetchers ask for keys from their own threads.
#ifndef VELMORA_DL_STREAM_KEYCACHE_H
#define VELMORA_DL_STREAM_KEYCACHE_H

#include <map>
#include <mutex>
#include <string>

#include "dl/stream/ResourceFetch.h"

class KeyCache {
 public:
  // The 16 key bytes in `result.body`, or why not.
  FetchedResource Get(const std::string& uri, const FetchContext& context);
  int fetches() const;

 private:
  mutable std::mutex mutex_;
  std::map<std::string, std::string> keys_;
  int fetches_ = 0;
};

#endif
