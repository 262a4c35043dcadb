// Downloads into files. Identity bodies stream to the file block by block;
// bodies that need decoding are decoded in memory and written whole (with a
// UTF-8 byte-order mark, as the desktop's file writer always did).
//
// Resume: the request asks for the bytes after the partial file. Only a 206
// whose Content-Range starts exactly there may be appended; a 200 carries
// the whole file and replaces it; anything else leaves the file as it was.
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "base/CodePageText.h"
#include "base/ReportError.h"
#include "net/ContentRange.h"
#include "net/WHttp.h"
#include "platform/ErrorText.h"
#include "platform/FileIo.h"
#include "platform/Files.h"
#include "platform/Path.h"
#include "util/sysfile.h"

namespace {

constexpr const char* kStem = "WHttp";

uint32_t TickCount() {
  auto now = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

// The first byte position of "bytes FIRST-LAST/TOTAL"; -1 when unreadable.
int64_t RangeStart(const std::string& contentRange) {
  auto range = ParseContentRange(contentRange);
  return range ? range->first : -1;
}

int64_t ExistingFileSize(const char* path) {
  auto size = platform::FileSize(platform::NativePathFromAnsi(path));
  return size ? static_cast<int64_t>(*size) : 0;
}

ResultCode ReportFileError(int line, int error) {
  ReportErrorText(kStem, line, platform::ErrorText(error));
  return OpenFileError;
}

}  // namespace

ResultCode WHttp::DownloadFile(const char* url, const char* filePath, bool resume, bool follow) {
  if (!filePath) return InitParamsError;
  return Transfer(url, follow, [&](const SplitUrlResult& split) -> ResultCode {
    std::string range;
    if (resume) {
      resumeOffset = ExistingFileSize(filePath);
      range = "Range: bytes=" + std::to_string(resumeOffset.load()) + "-\r\n";
      truncateFile = false;
    }
    FormatRequest(requestText, "GET", HostField(split).c_str(), split.path.c_str(), "", range.c_str(), "");
    return ExchangeToFile(requestText.data(), static_cast<int64_t>(requestText.size()), filePath, resume);
  });
}

ResultCode WHttp::CheckResumeAnswer() const {
  if (status != 206) return Success;
  if (lastKind_ != Identity && lastKind_ != Chunked) {
    ReportErrorText(kStem, __LINE__, "a compressed part of a file cannot be resumed");
    return HttpTypeError;
  }
  std::string contentRange = HeaderValue("Content-Range");
  if (RangeStart(contentRange) != resumeOffset) {
    ReportErrorText(kStem, __LINE__, "range answer does not start where asked: " + contentRange);
    return HttpTypeError;
  }
  return Success;
}

ResultCode WHttp::ExchangeToFile(const char* request, int64_t length, const char* filePath, bool /*ignored*/) {
  if (!filePath) return InitParamsError;
  rawHead.clear();
  startTick = TickCount();
  if (truncateFile && GetPathKind(filePath) != 0) DeleteFilePath(filePath);
  ResultCode result = MallocError;
  try {
    HttpResponseReader reader(ReaderOptions(request, length));
    std::string pending;
    result = SendAndReadHead(request, length, reader, &pending);
    // A resumed request answered with the whole file starts the file afresh.
    bool fromStart = truncateFile || status == 200;
    if (result == Success && !truncateFile) result = CheckResumeAnswer();
    if (result == Success && fromStart) resumeOffset = 0;
    if (result == Success && lastKind_ == Identity) {
      result = StreamToFile(filePath, reader, pending, fromStart);
    } else if (result == Success) {
      // Decoded bodies reach the file only when whole.
      std::string body;
      result = ReadBodyToMemory(reader, pending, &body);
      if (result == Success) result = WriteDecodedToFile(filePath, body, !fromStart);
    }
  } catch (const std::bad_alloc&) {
    result = MallocError;
  }
  endTick = TickCount();
  ReleaseBlocks();
  return result;
}

ResultCode WHttp::WriteDecodedToFile(const char* filePath, std::string_view body, bool append) {
  if (!append) {
    if (WriteFileWithBom(filePath, body.data(), body.size()) == 0 && !body.empty())
      return ReportFileError(__LINE__, platform::LastError());
    return Success;
  }
  std::FILE* file = platform::OpenFile(platform::NativePathFromAnsi(filePath), "ab");
  if (!file) return ReportFileError(__LINE__, platform::LastError());
  bool ok = platform::WriteFile(file, body.data(), body.size()) == body.size();
  int error = platform::LastError();
  ok = platform::CloseFile(file) && ok;
  return ok ? Success : ReportFileError(__LINE__, error);
}

ResultCode WHttp::StreamToFile(const char* filePath, HttpResponseReader& reader, std::string_view pending,
                               bool fromStart) {
  std::FILE* file = platform::OpenFile(platform::NativePathFromAnsi(filePath), fromStart ? "wb" : "ab");
  if (!file) return ReportFileError(__LINE__, platform::LastError());
  // A short write stops the transfer: the file then holds a clean prefix of
  // the body, which a later resume continues from.
  int writeError = 0;
  sinkError_ = Success;
  auto write = [&](const char* data, size_t size) {
    if (platform::WriteFile(file, data, size) == size) return true;
    writeError = platform::LastError();
    sinkError_ = OpenFileError;
    return false;
  };
  ResultCode result = ReadBody(reader, pending, write);
  if (!platform::CloseFile(file) && writeError == 0 && result == Success) {
    writeError = platform::LastError();
    result = OpenFileError;
  }
  if (result == OpenFileError) return ReportFileError(__LINE__, writeError);
  return result;
}
