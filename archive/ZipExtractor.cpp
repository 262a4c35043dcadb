#include "archive/ZipExtractor.h"

#include <zip.h>

#include <memory>
#include <vector>

#include "archive/ZipEntryName.h"
#include "platform/DirectoryFd.h"
#include "platform/DiskSpace.h"

namespace archive {

namespace {

constexpr std::size_t kChunk = 64 * 1024;
constexpr std::uint32_t kTypeMask = 0170000;
constexpr std::uint32_t kSymlinkType = 0120000;
constexpr int kTempAttempts = 100;

struct ZipCloser {
  void operator()(zip_t* z) const { zip_discard(z); }
};
struct ZipFileCloser {
  void operator()(zip_file_t* f) const { zip_fclose(f); }
};
using ZipPtr = std::unique_ptr<zip_t, ZipCloser>;
using ZipFilePtr = std::unique_ptr<zip_file_t, ZipFileCloser>;

struct PlannedEntry {
  zip_uint64_t index;
  EntryPath path;
  std::uint64_t size;
};

struct Failure {
  std::string text;
};

std::string Describe(std::uint64_t bytes) { return std::to_string(bytes) + " bytes"; }

ZipPtr OpenArchive(const std::string& path, std::string& error) {
  int code = 0;
  zip_t* z = zip_open(path.c_str(), ZIP_RDONLY, &code);
  if (!z) {
    zip_error_t e;
    zip_error_init_with_code(&e, code);
    error = "cannot open the archive: " + std::string(zip_error_strerror(&e));
    zip_error_fini(&e);
  }
  return ZipPtr(z);
}

bool IsSymlink(zip_t* z, zip_uint64_t index) {
  zip_uint8_t system = 0;
  zip_uint32_t attributes = 0;
  if (zip_file_get_external_attributes(z, index, 0, &system, &attributes) != 0) return false;
  return system == ZIP_OPSYS_UNIX && ((attributes >> 16) & kTypeMask) == kSymlinkType;
}

// The entry's name bytes, and whether the archive marks them UTF-8: the
// strict reading converts unmarked names from CP437, so it differs from
// the raw bytes exactly when non-ASCII bytes are unmarked.
bool EntryName(zip_t* z, zip_uint64_t index, std::string& raw, bool& flaggedUtf8) {
  const char* bytes = zip_get_name(z, index, ZIP_FL_ENC_RAW);
  const char* strict = zip_get_name(z, index, ZIP_FL_ENC_STRICT);
  if (!bytes || !strict) return false;
  raw = bytes;
  flaggedUtf8 = raw == strict;
  return true;
}

bool PlanEntry(zip_t* z, zip_uint64_t index, PlannedEntry& out, std::string& error) {
  std::string raw;
  bool flagged = false;
  zip_stat_t st;
  if (!EntryName(z, index, raw, flagged) || zip_stat_index(z, index, 0, &st) != 0) {
    error = "entry " + std::to_string(index) + " cannot be read: " + zip_strerror(z);
    return false;
  }
  const std::string name = DecodeEntryName(raw, flagged);
  if (!ParseEntryPath(name, out.path, error)) return false;
  if (IsSymlink(z, index)) {
    error = "unsafe entry '" + name + "': a symbolic link";
    return false;
  }
  if ((st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method != ZIP_EM_NONE) {
    error = "entry '" + name + "' is encrypted";
    return false;
  }
  out.index = index;
  out.size = (st.valid & ZIP_STAT_SIZE) && !out.path.directory ? st.size : 0;
  return true;
}

bool Plan(zip_t* z, const ExtractLimits& limits, std::vector<PlannedEntry>& plan, std::uint64_t& total,
          std::string& error) {
  const zip_int64_t count = zip_get_num_entries(z, 0);
  if (count < 0) {
    error = "the archive's directory cannot be read";
    return false;
  }
  if (static_cast<std::uint64_t>(count) > limits.maxEntries) {
    error = "the archive has " + std::to_string(count) + " entries, more than the limit of " +
            std::to_string(limits.maxEntries);
    return false;
  }
  total = 0;
  plan.reserve(static_cast<std::size_t>(count));
  for (zip_uint64_t i = 0; i < static_cast<zip_uint64_t>(count); ++i) {
    PlannedEntry entry;
    if (!PlanEntry(z, i, entry, error)) return false;
    if (entry.size > limits.maxBytes - total) {
      error = "the archive unpacks to more than the limit of " + Describe(limits.maxBytes);
      return false;
    }
    total += entry.size;
    plan.push_back(std::move(entry));
  }
  return true;
}

// The folder tree being written: parents opened one checked name at a
// time (the last one kept open for the next entry), and a record of what
// this run made, to take away again on failure.
class TreeWriter {
 public:
  TreeWriter(platform::UniqueFd root, bool rootCreated) : root_(std::move(root)), rootCreated_(rootCreated) {}

  int Directory(const std::vector<std::string>& components, std::size_t depth, std::string& error);
  bool WriteFile(zip_t* z, const PlannedEntry& entry, const ExtractLimits& limits, ExtractProgress& progress,
                 std::string& error);
  bool RootCreated() const { return rootCreated_; }
  // Removes the files and then the (then empty) folders this run made.
  void Undo();

 private:
  bool CopyData(zip_t* z, const PlannedEntry& entry, int fd, const ExtractLimits& limits, ExtractProgress& progress,
                std::string& error);
  platform::UniqueFd OpenPath(const std::vector<std::string>& components, std::size_t depth, bool create,
                              std::string& error);

  platform::UniqueFd root_;
  bool rootCreated_;
  std::vector<std::string> openPath_;
  platform::UniqueFd openDir_;
  std::vector<std::vector<std::string>> madeFiles_;
  std::vector<std::vector<std::string>> madeDirs_;
};

platform::UniqueFd TreeWriter::OpenPath(const std::vector<std::string>& components, std::size_t depth, bool create,
                                        std::string& error) {
  platform::UniqueFd dir;
  for (std::size_t i = 0; i < depth; ++i) {
    bool created = false;
    platform::UniqueFd next =
        platform::OpenDirectoryAt(i == 0 ? root_.Get() : dir.Get(), components[i], create, created, error);
    if (created) madeDirs_.emplace_back(components.begin(), components.begin() + static_cast<long>(i) + 1);
    if (!next.Valid()) return next;
    dir = std::move(next);
  }
  return dir;
}

int TreeWriter::Directory(const std::vector<std::string>& components, std::size_t depth, std::string& error) {
  if (depth == 0) return root_.Get();
  const std::vector<std::string> wanted(components.begin(), components.begin() + static_cast<long>(depth));
  if (openDir_.Valid() && wanted == openPath_) return openDir_.Get();
  openDir_ = OpenPath(components, depth, true, error);
  openPath_ = openDir_.Valid() ? wanted : std::vector<std::string>();
  if (!openDir_.Valid()) error = "cannot make folder '" + JoinPath(wanted) + "': " + error;
  return openDir_.Get();
}

bool TreeWriter::CopyData(zip_t* z, const PlannedEntry& entry, int fd, const ExtractLimits& limits,
                          ExtractProgress& progress, std::string& error) {
  ZipFilePtr file(zip_fopen_index(z, entry.index, 0));
  const std::string name = JoinPath(entry.path.components);
  if (!file) {
    error = "entry '" + name + "' cannot be read: " + zip_strerror(z);
    return false;
  }
  std::vector<char> buffer(kChunk);
  std::uint64_t written = 0;
  for (;;) {
    if (progress.cancel.load()) return false;
    const zip_int64_t got = zip_fread(file.get(), buffer.data(), buffer.size());
    if (got < 0) {
      error = "entry '" + name + "' is damaged: " + zip_file_strerror(file.get());
      return false;
    }
    if (got == 0) break;
    written += static_cast<std::uint64_t>(got);
    if (written > entry.size) {
      error = "entry '" + name + "' unpacks to more than the " + Describe(entry.size) + " it declares";
      return false;
    }
    if (progress.bytesDone.load() + static_cast<std::uint64_t>(got) > limits.maxBytes) {
      error = "the archive unpacks to more than the limit of " + Describe(limits.maxBytes);
      return false;
    }
    if (!platform::WriteAll(fd, buffer.data(), static_cast<std::size_t>(got), error)) {
      error = "cannot write '" + name + "': " + error;
      return false;
    }
    progress.bytesDone += static_cast<std::uint64_t>(got);
  }
  if (written != entry.size) {
    error = "entry '" + name + "' is damaged: " + Describe(written) + " instead of " + Describe(entry.size);
    return false;
  }
  return true;
}

bool TreeWriter::WriteFile(zip_t* z, const PlannedEntry& entry, const ExtractLimits& limits,
                           ExtractProgress& progress, std::string& error) {
  const auto& parts = entry.path.components;
  const int dir = Directory(parts, parts.size() - 1, error);
  if (dir < 0) return false;
  const std::string& leaf = parts.back();
  std::string temp;
  platform::UniqueFd fd;
  for (int attempt = 0; attempt < kTempAttempts && !fd.Valid(); ++attempt) {
    temp = ".velmora-unzip-" + std::to_string(entry.index) + "-" + std::to_string(attempt) + ".part";
    fd = platform::CreateFileAt(dir, temp, error);
  }
  if (!fd.Valid()) {
    error = "cannot write '" + JoinPath(parts) + "': " + error;
    return false;
  }
  const bool copied = CopyData(z, entry, fd.Get(), limits, progress, error);
  fd = platform::UniqueFd();
  const platform::EntryKind before = platform::KindAt(dir, leaf);
  if (!copied || before == platform::EntryKind::Directory) {
    platform::RemoveAt(dir, temp, false);
    if (copied) error = "cannot write '" + JoinPath(parts) + "': a folder has that name";
    return false;
  }
  if (!platform::RenameAt(dir, temp, leaf, error)) {
    platform::RemoveAt(dir, temp, false);
    error = "cannot write '" + JoinPath(parts) + "': " + error;
    return false;
  }
  if (before == platform::EntryKind::Missing) madeFiles_.push_back(parts);
  return true;
}

void TreeWriter::Undo() {
  openDir_ = platform::UniqueFd();
  std::string ignored;
  auto removeLast = [&](const std::vector<std::string>& path, bool directory) {
    platform::UniqueFd parent = OpenPath(path, path.size() - 1, false, ignored);
    const int dir = path.size() == 1 ? root_.Get() : parent.Get();
    if (dir >= 0) platform::RemoveAt(dir, path.back(), directory);
  };
  for (const auto& file : madeFiles_) removeLast(file, false);
  for (auto it = madeDirs_.rbegin(); it != madeDirs_.rend(); ++it) removeLast(*it, true);
}

bool CheckRoom(const std::string& folder, std::uint64_t total, std::string& error) {
  platform::DiskSpace space;
  std::string ignored;
  if (!platform::QueryDiskSpace(folder, space, ignored) || space.available >= total) return true;
  error = "not enough free space: the archive unpacks to " + Describe(total) + ", " + Describe(space.available) +
          " are free";
  return false;
}

ExtractOutcome Finish(TreeWriter* writer, const std::string& folder, ExtractProgress& progress, std::string error) {
  ExtractOutcome outcome;
  outcome.cancelled = progress.cancel.load();
  outcome.error = outcome.cancelled ? "cancelled" : std::move(error);
  if (writer) {
    writer->Undo();
    if (writer->RootCreated()) platform::RemoveEmptyFolder(folder);
  }
  return outcome;
}

}  // namespace

ExtractOutcome ExtractZip(const std::string& archivePath, const std::string& folder, const ExtractLimits& limits,
                          ExtractProgress& progress) {
  std::string error;
  ZipPtr zip = OpenArchive(archivePath, error);
  if (!zip) return Finish(nullptr, folder, progress, error);
  std::vector<PlannedEntry> plan;
  std::uint64_t total = 0;
  if (!Plan(zip.get(), limits, plan, total, error) || !CheckRoom(folder, total, error))
    return Finish(nullptr, folder, progress, error);
  progress.entriesTotal = plan.size();
  progress.bytesTotal = total;
  bool rootCreated = false;
  platform::UniqueFd root = platform::OpenFolder(folder, true, rootCreated, error);
  if (!root.Valid()) return Finish(nullptr, folder, progress, "cannot make the folder: " + error);
  TreeWriter writer(std::move(root), rootCreated);
  for (const PlannedEntry& entry : plan) {
    if (progress.cancel.load()) return Finish(&writer, folder, progress, {});
    const auto& parts = entry.path.components;
    const bool done = entry.path.directory ? writer.Directory(parts, parts.size(), error) >= 0
                                           : writer.WriteFile(zip.get(), entry, limits, progress, error);
    if (!done) return Finish(&writer, folder, progress, error);
    ++progress.entriesDone;
  }
  ExtractOutcome outcome;
  outcome.ok = true;
  return outcome;
}

}  // namespace archive
