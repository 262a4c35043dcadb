// Streams made for the tests by the system's ffmpeg from a generated test
// picture and tone, in a folder a test server serves: plain MPEG-TS, a
// smaller variant and a master playlist over both, AES-128 (ffmpeg's own
// encryption, and a playlist whose key changes half-way), byte ranges in
// one file, fragmented MP4, video and audio as separate renditions, and a
// noisy picture whose segments are large enough to be caught mid-transfer.
// Made once per test program; every stream is a few seconds long.
#ifndef VELMORA_TESTS_DL_STREAM_SUPPORT_STREAMCORPUS_H
#define VELMORA_TESTS_DL_STREAM_SUPPORT_STREAMCORPUS_H

#include <string>
#include <vector>

// The ffmpeg and ffprobe the tests use, or empty.
std::string TestFfmpeg();
std::string TestFfprobe();

class StreamCorpus {
 public:
  // False with `error` when ffmpeg is missing or failed.
  bool Make(const std::string& root, std::string& error);

  // The media files a playlist in `folder` lists, in order (lines that are
  // not tags), without the playlist's own parsing.
  static std::vector<std::string> ListedFiles(const std::string& playlistPath);
  // The listed files' bytes joined.
  static std::string Joined(const std::string& folder, const std::vector<std::string>& files);

  const std::string& root() const { return root_; }
  std::string Path(const std::string& relative) const { return root_ + "/" + relative; }

  // The keys of the "rekey" stream and ffmpeg's own key.
  static const std::string kKeyA, kKeyB, kFfmpegKey;
  static const char kFfmpegIvHex[];

 private:
  bool Run(const std::vector<std::string>& arguments, std::string& error);
  bool Encode(const std::string& folder, const std::vector<std::string>& extra, std::string& error,
              const std::string& size = "160x120", int seconds = 4);
  bool MakeRekeyed(std::string& error);
  void WriteHandMadePlaylists();

  std::string root_;
  std::string ffmpeg_;
};

// Encrypts with AES-128-CBC and PKCS#7 padding, as a server would.
std::string EncryptForTest(const std::string& key, const unsigned char iv[16], const std::string& plain);
std::string DecryptForTest(const std::string& key, const unsigned char iv[16], const std::string& sealed);

#endif
