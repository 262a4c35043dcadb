#include "tests/dl/stream/support/StreamCorpus.h"

#include <openssl/evp.h>
#include <sys/stat.h>

#include <fstream>
#include <memory>
#include <sstream>

#include "platform/ChildProcess.h"
#include "tests/support/TempDir.h"

const std::string StreamCorpus::kKeyA = "AAAAaaaaBBBBbbbb";
const std::string StreamCorpus::kKeyB = "ccccDDDDeeeeFFFF";
const std::string StreamCorpus::kFfmpegKey = "0123456789ABCDEF";
const char StreamCorpus::kFfmpegIvHex[] = "00112233445566778899aabbccddeeff";

namespace {

std::string Cipher(bool encrypt, const std::string& key, const unsigned char iv[16], const std::string& in) {
  std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> c(EVP_CIPHER_CTX_new(), EVP_CIPHER_CTX_free);
  std::string out(in.size() + 32, '\0');
  int n = 0, last = 0;
  auto* o = reinterpret_cast<unsigned char*>(out.data());
  const auto* k = reinterpret_cast<const unsigned char*>(key.data());
  const auto* i = reinterpret_cast<const unsigned char*>(in.data());
  bool ok = EVP_CipherInit_ex(c.get(), EVP_aes_128_cbc(), nullptr, k, iv, encrypt ? 1 : 0) == 1 &&
            EVP_CipherUpdate(c.get(), o, &n, i, static_cast<int>(in.size())) == 1 &&
            EVP_CipherFinal_ex(c.get(), o + n, &last) == 1;
  if (!ok) return {};
  out.resize(static_cast<size_t>(n + last));
  return out;
}

void SequenceIv(int64_t sequence, unsigned char iv[16]) {
  for (int i = 0; i < 16; ++i) iv[i] = 0;
  for (int i = 15; i >= 8; --i, sequence >>= 8) iv[i] = static_cast<unsigned char>(sequence & 0xff);
}

}  // namespace

std::string EncryptForTest(const std::string& key, const unsigned char iv[16], const std::string& plain) {
  return Cipher(true, key, iv, plain);
}

std::string DecryptForTest(const std::string& key, const unsigned char iv[16], const std::string& sealed) {
  return Cipher(false, key, iv, sealed);
}

std::string TestFfmpeg() { return platform::FindProgram("ffmpeg"); }
std::string TestFfprobe() { return platform::FindProgram("ffprobe"); }

std::vector<std::string> StreamCorpus::ListedFiles(const std::string& playlistPath) {
  std::istringstream lines(ReadFileBytes(playlistPath));
  std::vector<std::string> files;
  for (std::string line; std::getline(lines, line);)
    if (!line.empty() && line[0] != '#') files.push_back(line);
  return files;
}

std::string StreamCorpus::Joined(const std::string& folder, const std::vector<std::string>& files) {
  std::string all;
  for (const auto& file : files) all += ReadFileBytes(folder + "/" + file);
  return all;
}

bool StreamCorpus::Run(const std::vector<std::string>& arguments, std::string& error) {
  std::vector<std::string> argv{ffmpeg_, "-nostdin", "-hide_banner", "-loglevel", "error", "-y"};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  platform::ChildResult result = platform::RunProgram(argv, {});
  if (result.started && result.exitCode == 0) return true;
  error = "ffmpeg failed: " + result.error + result.output;
  return false;
}

bool StreamCorpus::Encode(const std::string& folder, const std::vector<std::string>& extra, std::string& error,
                          const std::string& size, int seconds) {
  mkdir(Path(folder).c_str(), 0777);
  std::vector<std::string> args{"-f", "lavfi", "-i", "testsrc=size=" + size + ":rate=10", "-f", "lavfi",
                                "-i", "sine=frequency=440:sample_rate=22050", "-t", std::to_string(seconds),
                                "-c:v", "libx264", "-preset", "ultrafast", "-g", "10", "-c:a", "aac", "-b:a", "32k"};
  args.insert(args.end(), extra.begin(), extra.end());
  args.insert(args.end(), {"-f", "hls", "-hls_time", "1", "-hls_playlist_type", "vod"});
  bool fmp4 = false, single = false;
  for (const auto& e : extra) fmp4 = fmp4 || e == "fmp4", single = single || e == "single_file";
  if (!single) args.insert(args.end(), {"-hls_segment_filename", Path(folder) + (fmp4 ? "/seg%03d.m4s" : "/seg%03d.ts")});
  args.push_back(Path(folder) + "/index.m3u8");
  return Run(args, error);
}

bool StreamCorpus::MakeRekeyed(std::string& error) {
  // The plain stream's segments sealed with key A (explicit IV) for the
  // first half and key B (the sequence number as IV) for the rest.
  mkdir(Path("rekey").c_str(), 0777);
  std::vector<std::string> files = ListedFiles(Path("plain/index.m3u8"));
  unsigned char ivA[16];
  for (int i = 0; i < 16; ++i) ivA[i] = static_cast<unsigned char>(0xA0 + i);
  std::string playlist = "#EXTM3U\n#EXT-X-VERSION:3\n#EXT-X-TARGETDURATION:1\n#EXT-X-MEDIA-SEQUENCE:0\n";
  playlist += "#EXT-X-KEY:METHOD=AES-128,URI=\"keys/a.key\",IV=0xa0a1a2a3a4a5a6a7a8a9aaabacadaeaf\n";
  for (size_t i = 0; i < files.size(); ++i) {
    unsigned char iv[16];
    bool second = i >= files.size() / 2;
    if (second && i == files.size() / 2) playlist += "#EXT-X-KEY:METHOD=AES-128,URI=\"/rekey/keys/b.key\"\n";
    if (second) SequenceIv(static_cast<int64_t>(i), iv);
    std::string sealed =
        EncryptForTest(second ? kKeyB : kKeyA, second ? iv : ivA, ReadFileBytes(Path("plain/" + files[i])));
    if (sealed.empty()) return error = "could not encrypt " + files[i], false;
    WriteFileBytes(Path("rekey/" + files[i]), sealed);
    playlist += "#EXTINF:1.0,\n" + files[i] + "\n";
  }
  playlist += "#EXT-X-ENDLIST\n";
  mkdir(Path("rekey/keys").c_str(), 0777);
  WriteFileBytes(Path("rekey/keys/a.key"), kKeyA);
  WriteFileBytes(Path("rekey/keys/b.key"), kKeyB);
  WriteFileBytes(Path("rekey/index.m3u8"), playlist);
  return true;
}

void StreamCorpus::WriteHandMadePlaylists() {
  WriteFileBytes(Path("variants.m3u8"),
                 "#EXTM3U\n"
                 "#EXT-X-STREAM-INF:BANDWIDTH=300000,RESOLUTION=96x72\nsmall/index.m3u8\n"
                 "#EXT-X-STREAM-INF:BANDWIDTH=900000,RESOLUTION=160x120\nplain/index.m3u8\n");
  WriteFileBytes(Path("rendition.m3u8"),
                 "#EXTM3U\n"
                 "#EXT-X-MEDIA:TYPE=AUDIO,GROUP-ID=\"aud\",NAME=\"tone\",DEFAULT=YES,URI=\"audioonly/index.m3u8\"\n"
                 "#EXT-X-STREAM-INF:BANDWIDTH=600000,RESOLUTION=160x120,AUDIO=\"aud\"\nvideoonly/index.m3u8\n");
}

bool StreamCorpus::Make(const std::string& root, std::string& error) {
  root_ = root;
  ffmpeg_ = TestFfmpeg();
  if (ffmpeg_.empty()) return error = "ffmpeg is not installed", false;
  std::string keyInfo = Path("ffkey.info");
  WriteFileBytes(Path("ffkey.bin"), kFfmpegKey);
  WriteFileBytes(keyInfo, "keys/ff.key\n" + Path("ffkey.bin") + "\n" + kFfmpegIvHex + "\n");
  bool made = Encode("plain", {}, error) && Encode("small", {}, error, "96x72") &&
              Encode("aesff", {"-hls_key_info_file", keyInfo}, error) &&
              Encode("range", {"-hls_flags", "single_file"}, error) &&
              Encode("fmp4", {"-hls_segment_type", "fmp4", "-hls_fmp4_init_filename", "init.mp4"}, error) &&
              Encode("videoonly", {"-an"}, error) && Encode("audioonly", {"-vn"}, error) &&
              Encode("long", {"-vf", "noise=alls=40:allf=t"}, error, "320x240", 6) && MakeRekeyed(error);
  if (!made) return false;
  mkdir(Path("aesff/keys").c_str(), 0777);
  WriteFileBytes(Path("aesff/keys/ff.key"), kFfmpegKey);
  WriteHandMadePlaylists();
  return true;
}
