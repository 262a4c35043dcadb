// velmora-config: writes and inspects the encrypted configuration file for
// deployers.
//   velmora-config encrypt PLAIN OUT   encrypts the text file PLAIN into OUT
//   velmora-config show FILE           prints the text the program reads from FILE
// Exit 0 on success, 1 on a file error, 2 on a usage error. Paths are taken
// as the shell gives them.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "util/ConfigEncryptor.h"
#include "platform/ErrorText.h"
#include "platform/Files.h"
#include "util/ConfigFileText.h"

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: velmora-config encrypt PLAIN OUT\n"
               "       velmora-config show FILE\n");
  return 2;
}

int Fail(const std::string& what, const std::string& path, int error) {
  std::fprintf(stderr, "velmora-config: %s %s: %s\n", what.c_str(), path.c_str(), platform::ErrorText(error).c_str());
  return 1;
}

int Encrypt(const std::string& plainPath, const std::string& outPath) {
  std::string plain;
  if (int error = platform::ReadSmallFile(plainPath, kConfigFileLimit, plain))
    return Fail("cannot read", plainPath, error);
  std::string encrypted = EncryptConfigText(plain);
  if (encrypted.empty()) {
    std::fprintf(stderr, "velmora-config: out of memory\n");
    return 1;
  }
  // Never a half-written configuration where the program would read it.
  if (int error = platform::WriteFileAtomically(outPath, encrypted)) return Fail("cannot write", outPath, error);
  return 0;
}

int Show(const std::string& path) {
  std::string encrypted;
  if (int error = platform::ReadSmallFile(path, kConfigFileLimit, encrypted)) return Fail("cannot read", path, error);
  std::string text = DecryptConfigText(encrypted);
  if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::fflush(stdout) != 0)
    return Fail("cannot write", "standard output", errno);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::strcmp(argv[1], "encrypt") == 0) return Encrypt(argv[2], argv[3]);
  if (argc == 3 && std::strcmp(argv[1], "show") == 0) return Show(argv[2]);
  return Usage();
}
