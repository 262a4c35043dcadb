// The record kept beside `name.part`: what is being fetched and which byte
// ranges of it are already on disk. A text file of "key value" lines under a
// versioned first line and closed by "end", so a reader can tell a whole
// record from anything else. It is replaced atomically, and only after the
// data it describes was flushed, so it never claims bytes the part file may
// lack. Ranges are kept as a list (half-open, sorted, disjoint) so that
// transfers over several connections fit the same format.
#ifndef VELMORA_DL_PARTRECORD_H
#define VELMORA_DL_PARTRECORD_H

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "dl/ByteRanges.h"

struct PartRecord {
  static constexpr int kVersion = 1;

  std::string source;          // the URL the task was added with
  std::string url;             // the final URL after redirects
  int64_t total = -1;          // -1 when the server named no length
  std::string etag;            // strong ETag only; empty otherwise
  std::string lastModified;
  std::string type;            // the first answer's Content-Type
  bool resumable = true;       // false: the body was content-coded or had no length
  ByteRanges done;             // [start, end) ranges

  // Bytes on disk from offset 0 without a gap.
  int64_t ContiguousDone() const;
  // Marks [start, end) done, merging neighbours.
  void AddDone(int64_t start, int64_t end);
};

std::string SerializePartRecord(const PartRecord& record);
// False with `error` naming what is wrong; `record` is then unspecified.
bool ParsePartRecord(std::string_view text, PartRecord& record, std::string& error);

// The record's file name for a part file.
std::string PartRecordPath(const std::string& partPath);
// 0 or errno.
int SavePartRecord(const std::string& path, const PartRecord& record);
// False with `error` when the file is missing, unreadable or not a record.
bool LoadPartRecord(const std::string& path, PartRecord& record, std::string& error);

#endif
