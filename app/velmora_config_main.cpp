// velmora-config: writes and inspects the encrypted configuration file for
// deployers.
//   velmora-config encrypt PLAIN OUT   encrypts the text file PLAIN into OUT
//   velmora-config show FILE           prints the text the program reads from FILE
// Exit 0 on success, 1 on a file error, 2 on a usage error. Paths are taken
// as the shell gives them.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>

#include "util/ConfigEncryptor.h"
#include "platform/FileIo.h"
#include "platform/FileSystem.h"
#include "util/ConfigFileText.h"

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: velmora-config encrypt PLAIN OUT\n"
               "       velmora-config show FILE\n");
  return 2;
}

int Fail(const std::string& what, const std::string& path) {
  std::fprintf(stderr, "velmora-config: %s %s: %s\n", what.c_str(), path.c_str(),
               platform::ErrorText(platform::LastError()).c_str());
  return 1;
}

std::optional<std::string> ReadFile(const std::string& path) {
  platform::UniqueFile file(platform::OpenFileNative(path, "rb"));
  if (!file) return std::nullopt;
  std::string bytes;
  char piece[8192];
  size_t got = 0;
  while ((got = platform::ReadFile(file.get(), piece, sizeof piece)) > 0) {
    bytes.append(piece, got);
    if (bytes.size() > kConfigFileLimit) {
      platform::SetLastError(EFBIG);
      return std::nullopt;
    }
  }
  if (std::ferror(file.get())) return std::nullopt;
  return bytes;
}

// Writes beside the target and renames, so a failed write never leaves a
// half-written configuration where the program would read it.
bool WriteFileAtomically(const std::string& path, const std::string& bytes) {
  std::string partial = path + ".part";
  platform::UniqueFile file(platform::OpenFileNative(partial, "wb"));
  if (!file) return false;
  bool written = platform::WriteFile(file.get(), bytes.data(), bytes.size()) == bytes.size();
  written = platform::CloseFile(file.release()) && written;
  if (written && platform::RenameFileNative(partial, path)) return true;
  int error = platform::LastError();
  platform::RemoveFileNative(partial);
  platform::SetLastError(error);
  return false;
}

int Encrypt(const std::string& plainPath, const std::string& outPath) {
  std::optional<std::string> plain = ReadFile(plainPath);
  if (!plain) return Fail("cannot read", plainPath);
  std::string encrypted = EncryptConfigText(*plain);
  if (encrypted.empty()) {
    std::fprintf(stderr, "velmora-config: out of memory\n");
    return 1;
  }
  if (!WriteFileAtomically(outPath, encrypted)) return Fail("cannot write", outPath);
  return 0;
}

int Show(const std::string& path) {
  std::optional<std::string> encrypted = ReadFile(path);
  if (!encrypted) return Fail("cannot read", path);
  std::string text = DecryptConfigText(*encrypted);
  if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::fflush(stdout) != 0)
    return Fail("cannot write", "standard output");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::strcmp(argv[1], "encrypt") == 0) return Encrypt(argv[2], argv[3]);
  if (argc == 3 && std::strcmp(argv[1], "show") == 0) return Show(argv[2]);
  return Usage();
}
