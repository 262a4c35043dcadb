// TLS transfer speed: one file served by a private nginx with ssl over
// loopback, read through WTlsConnection (in this process, body discarded)
// against curl -o /dev/null in the same run. It measures the TLS layer
// alone; the whole HTTPS download is measured once the engine uses it.
//
// velmora-bench-tls [SIZE_MIB]   (default 1024 MiB)
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "net/WTlsConnection.h"
#include "tests/net/support/LoopbackClient.h"
#include "tests/net/support/NginxServer.h"
#include "tests/net/support/TestCertificates.h"

namespace {

struct Timing {
  double wall = 0;
  double cpu = 0;
  long long bytes = 0;
  bool ok = false;
};

double Seconds(const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; }

double CpuOf(const rusage& usage) { return Seconds(usage.ru_utime) + Seconds(usage.ru_stime); }

Timing RunCurl(const std::string& url, const std::string& caFile) {
  auto start = std::chrono::steady_clock::now();
  pid_t pid = fork();
  if (pid == 0) {
    execlp("curl", "curl", "-s", "--cacert", caFile.c_str(), "-o", "/dev/null", url.c_str(), nullptr);
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  Timing t;
  t.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  t.cpu = CpuOf(usage);
  t.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return t;
}

Timing RunOurs(uint16_t port, const std::string& path, std::string& cipher) {
  rusage before{}, after{};
  getrusage(RUSAGE_SELF, &before);
  auto start = std::chrono::steady_clock::now();
  Timing t;
  LoopbackClient client(port);
  WTlsConnection tls(client.fd(), "localhost");
  if (tls.Handshake(5000) != Success) {
    std::fprintf(stderr, "%s\n", tls.errorText().c_str());
    return t;
  }
  cipher = tls.protocolVersion() + " " + tls.cipherName();
  std::string request = "GET " + path + " HTTP/1.1\r\nHost: localhost\r\nConnection: close\r\n\r\n";
  if (tls.WriteAll(request.data(), request.size(), 5000) != Success) return t;
  std::vector<char> buffer(256 * 1024);
  for (int got; (got = tls.Read(buffer.data(), buffer.size(), 5000)) != 0;) {
    if (got == WTlsConnection::kError) {
      std::fprintf(stderr, "%s\n", tls.errorText().c_str());
      return t;
    }
    if (got > 0) t.bytes += got;
  }
  t.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  getrusage(RUSAGE_SELF, &after);
  t.cpu = CpuOf(after) - CpuOf(before);
  t.ok = !tls.closedWithoutNotify();
  return t;
}

void Report(const char* name, const Timing& t, double gib) {
  std::printf("%-22s wall %7.3f s  %7.1f MiB/s  cpu %6.3f s  cpu/GiB %6.3f s  %s\n", name, t.wall,
              gib * 1024 / t.wall, t.cpu, t.cpu / gib, t.ok ? "ok" : "FAILED");
}

Timing Best(const Timing& a, const Timing& b) { return a.wall <= b.wall ? a : b; }

bool WriteFile(const std::string& path, size_t mebibytes) {
  std::ofstream out(path, std::ios::binary);
  std::string block(1 << 20, '\0');
  uint32_t state = 2024;
  for (size_t m = 0; m < mebibytes && out; ++m) {
    for (char& b : block) b = static_cast<char>((state = state * 1664525u + 1013904223u) >> 24);
    out.write(block.data(), static_cast<std::streamsize>(block.size()));
  }
  return static_cast<bool>(out);
}

int Measure(const std::string& dir, size_t mebibytes) {
  TestCertificates certificates(dir);
  if (!certificates.ok() || !WriteFile(dir + "/www/big.bin", mebibytes)) {
    std::fprintf(stderr, "cannot make the certificates or the file\n%s\n", certificates.Log().c_str());
    return 1;
  }
  setenv("VELMORA_CA_FILE", certificates.caFile().c_str(), 1);
  NginxServer nginx(dir, dir + "/www", false);
  nginx.UseTls(certificates.good().certificate, certificates.good().key);
  if (!nginx.Start()) {
    std::fprintf(stderr, "nginx did not start:\n%s\n", nginx.ErrorLog().c_str());
    return 1;
  }
  std::string url = "https://localhost:" + std::to_string(nginx.port()) + "/big.bin";
  std::string cipher;
  RunCurl(url, certificates.caFile());  // warms the page cache for both
  Timing curl = Best(RunCurl(url, certificates.caFile()), RunCurl(url, certificates.caFile()));
  Timing ours = Best(RunOurs(nginx.port(), "/big.bin", cipher), RunOurs(nginx.port(), "/big.bin", cipher));
  double gib = static_cast<double>(mebibytes) / 1024;
  std::printf("%zu MiB over loopback TLS (%s), best of two runs each\n", mebibytes, cipher.c_str());
  Report("curl -o /dev/null", curl, gib);
  Report("WTlsConnection", ours, gib);
  std::printf("ratio wall %.3f  cpu/GiB %.3f  (velmora / curl)\n", ours.wall / curl.wall, ours.cpu / curl.cpu);
  return curl.ok && ours.ok && ours.bytes > static_cast<long long>(mebibytes) << 20 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  size_t mebibytes = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 1024;
  if (NginxServer::FindBinary().empty() || !TestCertificates::ToolAvailable()) {
    std::fprintf(stderr, "nginx or the openssl command is not installed\n");
    return 1;
  }
  std::string pattern = (std::filesystem::temp_directory_path() / "velmora-bench-XXXXXX").string();
  if (!mkdtemp(pattern.data())) return 1;
  std::filesystem::create_directory(pattern + "/www");
  int rc = Measure(pattern, mebibytes);
  std::filesystem::remove_all(pattern);
  return rc;
}
