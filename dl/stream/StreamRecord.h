// The record beside a stream's part file: which playlist and variant are
// being fetched and how many of its pieces (segments and initialisation
// sections, in playlist order) the part holds, with the part's length at
// that point. Pieces are appended to the part strictly in order, so the
// record is a count and a length per track; bytes past the length were
// written after the last save and are cut off on resume. Same file name as
// a file's record, its own first line, replaced atomically after the data
// it counts was flushed.
#ifndef VELMORA_DL_STREAM_STREAMRECORD_H
#define VELMORA_DL_STREAM_STREAMRECORD_H

#include <cstdint>
#include <string>
#include <string_view>

struct TrackProgress {
  std::string playlist;  // the media playlist's URL
  int64_t pieces = 0;    // pieces held, from the first
  int64_t bytes = 0;     // the part's length after them
};

struct StreamRecord {
  static constexpr int kVersion = 1;
  std::string source;     // the URL the task was added with
  std::string container;  // "ts" or "mp4"
  std::string variant;    // the variant chosen, for people
  TrackProgress video;
  TrackProgress audio;    // empty playlist when there is no separate audio
};

std::string SerializeStreamRecord(const StreamRecord& record);
bool ParseStreamRecord(std::string_view text, StreamRecord& record, std::string& error);
// 0 or errno.
int SaveStreamRecord(const std::string& path, const StreamRecord& record);
bool LoadStreamRecord(const std::string& path, StreamRecord& record, std::string& error);

// Whether `partPath` belongs to a stream task added with `source`.
bool StreamRecordContinues(const std::string& partPath, const std::string& source);

// The part file that holds a separate audio track beside `partPath`.
std::string AudioPartPath(const std::string& partPath);

#endif
