#include "net/WTlsClientContext.h"

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <sys/stat.h>

#include <cstdlib>
#include <map>
#include <mutex>

#include "net/WTlsSessionCache.h"

namespace {

// Several records per receive call when a download streams in.
constexpr size_t kReadBufferBytes = 128 * 1024;

struct CaFileStamp {
  std::string path;
  off_t size = 0;
  long long changedNs = 0;
  auto operator<=>(const CaFileStamp&) const = default;
};

bool StampOf(const std::string& path, CaFileStamp& stamp, std::string& error) {
  stamp.path = path;
  if (path.empty()) return true;
  struct stat info {};
  if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
    error = "the extra CA certificate file " + path + " (VELMORA_CA_FILE) cannot be read";
    return false;
  }
  stamp.size = info.st_size;
  stamp.changedNs = info.st_mtim.tv_sec * 1000000000LL + info.st_mtim.tv_nsec;
  return true;
}

bool LoadCaFile(SSL_CTX* context, const std::string& path, std::string& error) {
  if (path.empty()) return true;
  if (SSL_CTX_load_verify_locations(context, path.c_str(), nullptr) == 1) return true;
  ERR_clear_error();
  error = "the extra CA certificate file " + path + " (VELMORA_CA_FILE) holds no readable PEM certificate";
  return false;
}

TlsContextPointer MakeContext(const std::string& caFile, std::string& error) {
  TlsContextPointer context(SSL_CTX_new(TLS_client_method()), SSL_CTX_free);
  if (!context) {
    error = "the TLS library could not start (out of memory?)";
    return nullptr;
  }
  SSL_CTX* raw = context.get();
  SSL_CTX_set_min_proto_version(raw, TLS1_2_VERSION);
  SSL_CTX_set_verify(raw, SSL_VERIFY_PEER, nullptr);
  SSL_CTX_set_mode(raw, SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
  // Reading ahead takes whole records in few system calls; the connection
  // asks OpenSSL before it waits on the socket, so nothing buffered is missed.
  SSL_CTX_set_read_ahead(raw, 1);
  SSL_CTX_set_default_read_buffer_len(raw, kReadBufferBytes);
  WTlsSessionCache::EnableOn(raw);
  if (SSL_CTX_set_default_verify_paths(raw) != 1) ERR_clear_error();
  if (!LoadCaFile(raw, caFile, error)) return nullptr;
  return context;
}

}  // namespace

TlsContextPointer AcquireTlsClientContext(const std::string& caFile, std::string& error) {
  static std::mutex mutex;
  static std::map<CaFileStamp, TlsContextPointer> contexts;
  CaFileStamp stamp;
  if (!StampOf(caFile, stamp, error)) return nullptr;
  std::lock_guard lock(mutex);
  auto found = contexts.find(stamp);
  if (found != contexts.end()) return found->second;
  TlsContextPointer context = MakeContext(caFile, error);
  if (!context) return nullptr;
  // An older version of the same file is of no further use.
  std::erase_if(contexts, [&](const auto& entry) { return entry.first.path == caFile; });
  contexts.emplace(stamp, context);
  return context;
}

TlsContextPointer AcquireTlsClientContext(std::string& error) {
  const char* caFile = std::getenv("VELMORA_CA_FILE");
  return AcquireTlsClientContext(caFile ? caFile : "", error);
}
