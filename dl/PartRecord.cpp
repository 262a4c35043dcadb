#include "dl/PartRecord.h"

#include <algorithm>
#include <charconv>

#include "platform/ErrorText.h"
#include "platform/Files.h"

namespace {

constexpr std::string_view kMagic = "velmora-part-record";
constexpr size_t kMaxRecordBytes = 256 * 1024;
constexpr size_t kMaxRanges = 4096;

bool HasControl(std::string_view text) {
  return std::any_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; });
}

bool ParseInt(std::string_view text, int64_t& value) {
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size();
}

bool ParseRange(std::string_view text, std::pair<int64_t, int64_t>& range) {
  size_t blank = text.find(' ');
  return blank != std::string_view::npos && ParseInt(text.substr(0, blank), range.first) &&
         ParseInt(text.substr(blank + 1), range.second);
}

bool CheckRanges(const PartRecord& record, std::string& error) {
  int64_t previousEnd = -1;
  for (const auto& [start, end] : record.done) {
    if (start < 0 || end <= start || start <= previousEnd || (record.total >= 0 && end > record.total)) {
      error = "record holds a range that does not fit: " + std::to_string(start) + "-" + std::to_string(end);
      return false;
    }
    previousEnd = end;
  }
  return true;
}

bool ApplyLine(std::string_view key, std::string_view value, PartRecord& record, std::string& error) {
  if (key == "source") record.source = value;
  else if (key == "url") record.url = value;
  else if (key == "etag") record.etag = value;
  else if (key == "modified") record.lastModified = value;
  else if (key == "type") record.type = value;
  else if (key == "resumable") record.resumable = value == "1";
  else if (key == "total") {
    if (!ParseInt(value, record.total) || record.total < -1) return error = "record total is not a length", false;
  } else if (key == "done") {
    std::pair<int64_t, int64_t> range;
    if (!ParseRange(value, range) || record.done.size() >= kMaxRanges) return error = "record range is unreadable", false;
    record.done.push_back(range);
  }
  // Unknown keys belong to later versions of the same format; skipped.
  return true;
}

}  // namespace

int64_t PartRecord::ContiguousDone() const {
  return !done.empty() && done.front().first == 0 ? done.front().second : 0;
}

void PartRecord::AddDone(int64_t start, int64_t end) { AddByteRange(done, start, end); }

std::string SerializePartRecord(const PartRecord& record) {
  std::string text = std::string(kMagic) + " " + std::to_string(PartRecord::kVersion) + "\n";
  // Values come from URLs and header fields, which hold no line breaks; a
  // value that somehow does is left out rather than split the record.
  auto line = [&](const char* key, const std::string& value) {
    if (!HasControl(value)) text += std::string(key) + " " + value + "\n";
  };
  line("source", record.source);
  line("url", record.url);
  text += "total " + std::to_string(record.total) + "\n";
  line("etag", record.etag);
  line("modified", record.lastModified);
  line("type", record.type);
  text += std::string("resumable ") + (record.resumable ? "1" : "0") + "\n";
  for (const auto& [start, end] : record.done)
    text += "done " + std::to_string(start) + " " + std::to_string(end) + "\n";
  return text + "end\n";
}

bool ParsePartRecord(std::string_view text, PartRecord& record, std::string& error) {
  record = PartRecord{};
  bool first = true, ended = false;
  while (!text.empty() && !ended) {
    size_t newline = text.find('\n');
    if (newline == std::string_view::npos) return error = "record is cut short", false;
    std::string_view line = text.substr(0, newline);
    text.remove_prefix(newline + 1);
    size_t blank = line.find(' ');
    std::string_view key = line.substr(0, blank);
    std::string_view value = blank == std::string_view::npos ? std::string_view() : line.substr(blank + 1);
    if (first) {
      if (key != kMagic) return error = "not a part record", false;
      if (value != std::to_string(PartRecord::kVersion)) return error = "record version " + std::string(value) + " is not known", false;
      first = false;
    } else if (line == "end") {
      ended = true;
    } else if (!ApplyLine(key, value, record, error)) {
      return false;
    }
  }
  if (!ended) return error = first ? "record is empty" : "record is cut short", false;
  if (record.source.empty()) return error = "record names no URL", false;
  return CheckRanges(record, error);
}

std::string PartRecordPath(const std::string& partPath) { return partPath + ".rec"; }

int SavePartRecord(const std::string& path, const PartRecord& record) {
  return platform::WriteFileAtomically(path, SerializePartRecord(record));
}

bool LoadPartRecord(const std::string& path, PartRecord& record, std::string& error) {
  std::string text;
  if (int code = platform::ReadSmallFile(path, kMaxRecordBytes, text)) {
    error = "cannot read the record: " + platform::ErrorText(code);
    return false;
  }
  return ParsePartRecord(text, record, error);
}
