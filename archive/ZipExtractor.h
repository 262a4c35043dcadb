// Extracting a .zip into a folder, safe against hostile archives:
//   - every entry lands inside the folder: names are checked
//     (archive/ZipEntryName.h), and files and folders are made one name at
//     a time through open directories, never through a symbolic link;
//     symbolic-link entries and encrypted entries are refused;
//   - the entry count and the total size (as declared, checked before a
//     byte is written, and as really written) are capped, and an entry that
//     inflates past its declared size stops the extraction (a zip bomb);
//   - each file is written under a temporary name and moved into place only
//     once its data and checksum were read whole, so a damaged entry never
//     replaces a file that was there;
//   - on failure or cancel, the files and folders this run made are removed
//     again; the archive itself is only ever read.
// Any thread; one call works on its own objects.
#ifndef VELMORA_ARCHIVE_ZIPEXTRACTOR_H
#define VELMORA_ARCHIVE_ZIPEXTRACTOR_H

#include <atomic>
#include <cstdint>
#include <string>

namespace archive {

struct ExtractLimits {
  std::uint64_t maxBytes = std::uint64_t{16} << 30;  // 16 GiB
  std::uint64_t maxEntries = 100000;
};

// Written by the extraction, read by anyone; `cancel` is the other way.
struct ExtractProgress {
  std::atomic<std::uint64_t> bytesDone{0};
  std::atomic<std::uint64_t> bytesTotal{0};  // declared, known once planned
  std::atomic<std::uint64_t> entriesDone{0};
  std::atomic<std::uint64_t> entriesTotal{0};
  std::atomic<bool> cancel{false};
};

struct ExtractOutcome {
  bool ok = false;
  bool cancelled = false;
  std::string error;  // what went wrong, in words, when !ok
};

// `archivePath` and `folder` are OS paths (UTF-8); the folder and its
// parents are made when missing.
ExtractOutcome ExtractZip(const std::string& archivePath, const std::string& folder, const ExtractLimits& limits,
                          ExtractProgress& progress);

}  // namespace archive

#endif
