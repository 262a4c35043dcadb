// A private nginx for integration tests and benchmarks: its own prefix,
// configuration and logs in a temp directory, listening on a free loopback
// port, serving one directory. Started in the foreground as a child process
// and stopped (by its process id) when the object goes away.
#ifndef VELMORA_TESTS_NET_NGINXSERVER_H
#define VELMORA_TESTS_NET_NGINXSERVER_H

#include <sys/types.h>

#include <cstdint>
#include <string>

class NginxServer {
 public:
  // The nginx binary (VELMORA_NGINX when set), or empty when there is none.
  static std::string FindBinary();

  NginxServer(const std::string& workDir, const std::string& rootDir, bool gzip);
  ~NginxServer();
  NginxServer(const NginxServer&) = delete;
  NginxServer& operator=(const NginxServer&) = delete;

  // Serve TLS with this certificate (chain) and key; call before Start().
  void UseTls(const std::string& certificate, const std::string& key);
  // Sends each answer no faster than `rate` (nginx's notation: "8m" is
  // 8 MiB/s), as servers that cap every connection do; before Start().
  void LimitRatePerRequest(const std::string& rate);
  // True once the server accepts connections (waits up to 5 s).
  bool Start();
  void Stop();
  std::string Url(const std::string& path) const;
  uint16_t port() const { return port_; }
  // The error log, for failure messages.
  std::string ErrorLog() const;

 private:
  bool StartOnce();

  std::string workDir_;
  std::string rootDir_;
  bool gzip_;
  std::string tlsCertificate_;
  std::string tlsKey_;
  std::string limitRate_;
  uint16_t port_ = 0;
  pid_t pid_ = -1;
};

#endif
