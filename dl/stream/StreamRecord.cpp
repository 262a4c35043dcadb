#include "dl/stream/StreamRecord.h"

#include "base/AsciiText.h"
#include "dl/PartRecord.h"
#include "platform/Files.h"

namespace {

constexpr std::string_view kMagic = "velmora-stream-record";
constexpr size_t kMaxRecordBytes = 64 * 1024;

void PutTrack(std::string& out, const char* prefix, const TrackProgress& track) {
  out += std::string(prefix) + "playlist " + track.playlist + "\n";
  out += std::string(prefix) + "pieces " + std::to_string(track.pieces) + "\n";
  out += std::string(prefix) + "bytes " + std::to_string(track.bytes) + "\n";
}

bool TakeTrackField(std::string_view key, std::string_view value, const char* prefix, TrackProgress& track,
                    bool& known, bool& bad) {
  std::string_view p(prefix);
  if (!key.starts_with(p)) return false;
  key.remove_prefix(p.size());
  known = true;
  if (key == "playlist") track.playlist = std::string(value);
  else if (key == "pieces") bad = !ParseDecimal(value, track.pieces);
  else if (key == "bytes") bad = !ParseDecimal(value, track.bytes);
  else known = false;
  return known;
}

}  // namespace

std::string SerializeStreamRecord(const StreamRecord& record) {
  std::string out = std::string(kMagic) + " " + std::to_string(StreamRecord::kVersion) + "\n";
  out += "source " + record.source + "\n";
  out += "container " + record.container + "\n";
  out += "variant " + record.variant + "\n";
  PutTrack(out, "video-", record.video);
  PutTrack(out, "audio-", record.audio);
  out += "end\n";
  return out;
}

bool ParseStreamRecord(std::string_view text, StreamRecord& record, std::string& error) {
  record = StreamRecord{};
  std::string header = std::string(kMagic) + " " + std::to_string(StreamRecord::kVersion) + "\n";
  if (!text.starts_with(header)) return error = "not a stream record", false;
  text.remove_prefix(header.size());
  bool ended = false;
  while (!text.empty() && !ended) {
    size_t end = text.find('\n');
    if (end == std::string_view::npos) return error = "the record is cut short", false;
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end + 1);
    if (line == "end") {
      ended = true;
      break;
    }
    size_t space = line.find(' ');
    std::string_view key = line.substr(0, space);
    std::string_view value = space == std::string_view::npos ? std::string_view() : line.substr(space + 1);
    bool known = false, bad = false;
    if (key == "source") record.source = std::string(value);
    else if (key == "container") record.container = std::string(value);
    else if (key == "variant") record.variant = std::string(value);
    else if (!TakeTrackField(key, value, "video-", record.video, known, bad))
      TakeTrackField(key, value, "audio-", record.audio, known, bad);
    if (bad) return error = "bad value in the record: " + std::string(line), false;
  }
  if (!ended) return error = "the record is cut short", false;
  if (record.source.empty()) return error = "the record names no source", false;
  return true;
}

int SaveStreamRecord(const std::string& path, const StreamRecord& record) {
  return platform::WriteFileAtomically(path, SerializeStreamRecord(record));
}

bool LoadStreamRecord(const std::string& path, StreamRecord& record, std::string& error) {
  std::string text;
  if (int failed = platform::ReadSmallFile(path, kMaxRecordBytes, text))
    return error = "cannot read " + path + " (" + std::to_string(failed) + ")", false;
  return ParseStreamRecord(text, record, error);
}

bool StreamRecordContinues(const std::string& partPath, const std::string& source) {
  StreamRecord record;
  std::string error;
  return LoadStreamRecord(PartRecordPath(partPath), record, error) && record.source == source;
}

std::string AudioPartPath(const std::string& partPath) { return partPath + ".audio"; }
