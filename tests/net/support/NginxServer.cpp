#include "tests/net/support/NginxServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include "tests/net/support/LoopbackServer.h"

namespace {

bool Accepts(uint16_t port) {
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bool ok = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  close(fd);
  return ok;
}

std::string Config(const std::string& work, const std::string& root, uint16_t port, bool gzip,
                   const std::string& tls, const std::string& limitRate) {
  std::ostringstream c;
  // One process, running as whoever started it: no user switch, no master.
  c << "daemon off;\nmaster_process off;\nworker_processes 1;\n"
    << "pid " << work << "/nginx.pid;\nerror_log " << work << "/error.log warn;\n"
    << "events { worker_connections 64; }\n"
    << "http {\n  access_log off;\n  sendfile on;\n  default_type application/octet-stream;\n"
    << "  client_body_temp_path " << work << "/body;\n  proxy_temp_path " << work << "/proxy;\n"
    << "  fastcgi_temp_path " << work << "/fastcgi;\n  uwsgi_temp_path " << work << "/uwsgi;\n"
    << "  scgi_temp_path " << work << "/scgi;\n"
    << "  server {\n    listen 127.0.0.1:" << port << (tls.empty() ? "" : " ssl") << ";\n    root " << root << ";\n"
    << tls;
  if (gzip) c << "    gzip on;\n    gzip_min_length 1;\n    gzip_types *;\n";
  if (!limitRate.empty()) c << "    limit_rate " << limitRate << ";\n";
  c << "  }\n}\n";
  return c.str();
}

}  // namespace

std::string NginxServer::FindBinary() {
  // VELMORA_NGINX names the binary; a path that runs nothing (say
  // VELMORA_NGINX=none) checks how the suite behaves without nginx.
  if (const char* chosen = std::getenv("VELMORA_NGINX")) return access(chosen, X_OK) == 0 ? chosen : "";
  for (const char* candidate : {"/usr/sbin/nginx", "/usr/local/sbin/nginx", "/usr/bin/nginx"})
    if (access(candidate, X_OK) == 0) return candidate;
  return {};
}

NginxServer::NginxServer(const std::string& workDir, const std::string& rootDir, bool gzip)
    : workDir_(workDir), rootDir_(rootDir), gzip_(gzip) {}

NginxServer::~NginxServer() { Stop(); }

void NginxServer::UseTls(const std::string& certificate, const std::string& key) {
  tlsCertificate_ = certificate;
  tlsKey_ = key;
}

void NginxServer::LimitRatePerRequest(const std::string& rate) { limitRate_ = rate; }

bool NginxServer::Start() {
  // The free port may be taken again before nginx binds it; try a few.
  for (int attempt = 0; attempt < 3; ++attempt)
    if (StartOnce()) return true;
  return false;
}

bool NginxServer::StartOnce() {
  std::string binary = FindBinary();
  if (binary.empty()) return false;
  port_ = UnusedLoopbackPort();
  std::string conf = workDir_ + "/nginx.conf";
  std::string tls;
  if (!tlsCertificate_.empty())
    tls = "    ssl_certificate " + tlsCertificate_ + ";\n    ssl_certificate_key " + tlsKey_ + ";\n";
  std::ofstream(conf) << Config(workDir_, rootDir_, port_, gzip_, tls, limitRate_);
  pid_ = fork();
  if (pid_ == 0) {
    execl(binary.c_str(), binary.c_str(), "-p", workDir_.c_str(), "-e", (workDir_ + "/error.log").c_str(), "-c",
          conf.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (std::chrono::steady_clock::now() < deadline) {
    if (Accepts(port_)) return true;
    if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
      pid_ = -1;
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  Stop();
  return false;
}

void NginxServer::Stop() {
  if (pid_ <= 0) return;
  kill(pid_, SIGTERM);
  waitpid(pid_, nullptr, 0);
  pid_ = -1;
}

std::string NginxServer::Url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + path;
}

std::string NginxServer::ErrorLog() const {
  std::ifstream in(workDir_ + "/error.log");
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}
