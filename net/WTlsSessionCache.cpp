#include "net/WTlsSessionCache.h"

#include <openssl/ssl.h>

#include <atomic>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>

namespace {

using SessionPointer = std::unique_ptr<SSL_SESSION, void (*)(SSL_SESSION*)>;

struct Store {
  std::mutex mutex;
  std::map<std::string, SessionPointer> sessions;
  std::deque<std::string> order;  // oldest first, for eviction
};

Store& TheStore() {
  static Store store;
  return store;
}

void DropOldest(Store& store) {
  while (store.sessions.size() > WTlsSessionCache::kMaxSessions && !store.order.empty()) {
    store.sessions.erase(store.order.front());
    store.order.pop_front();
  }
}

int KeyIndex() {
  static const int index = SSL_get_ex_new_index(0, nullptr, nullptr, nullptr, nullptr);
  return index;
}

// OpenSSL's announcement of a session (after the handshake under TLS 1.2,
// with a ticket that may come later under TLS 1.3). Returning 1 keeps the
// reference it hands over.
int OnNewSession(SSL* ssl, SSL_SESSION* session) {
  auto* key = static_cast<const std::string*>(SSL_get_ex_data(ssl, KeyIndex()));
  if (!key) return 0;
  WTlsSessionCache::Keep(*key, session);
  return 1;
}

}  // namespace

void WTlsSessionCache::EnableOn(SSL_CTX* context) {
  static std::atomic<uintptr_t> serial{0};
  SSL_CTX_set_app_data(context, reinterpret_cast<void*>(++serial));
  SSL_CTX_set_session_cache_mode(context, SSL_SESS_CACHE_CLIENT | SSL_SESS_CACHE_NO_INTERNAL_STORE);
  SSL_CTX_sess_set_new_cb(context, OnNewSession);
}

void WTlsSessionCache::Attach(SSL* ssl, const std::string* key) {
  SSL_set_ex_data(ssl, KeyIndex(), const_cast<std::string*>(key));
}

std::string WTlsSessionCache::Key(SSL_CTX* context, const std::string& host, unsigned port, bool insecure) {
  auto serial = reinterpret_cast<uintptr_t>(SSL_CTX_get_app_data(context));
  return std::to_string(serial) + " " + host + " " + std::to_string(port) + (insecure ? " unchecked" : " checked");
}

void WTlsSessionCache::Keep(const std::string& key, SSL_SESSION* session) {
  SessionPointer held(session, SSL_SESSION_free);
  if (!SSL_SESSION_is_resumable(session)) return;
  Store& store = TheStore();
  std::lock_guard lock(store.mutex);
  auto [at, added] = store.sessions.insert_or_assign(key, std::move(held));
  if (added) store.order.push_back(key);
  DropOldest(store);
}

void WTlsSessionCache::Offer(const std::string& key, SSL* ssl) {
  Store& store = TheStore();
  std::lock_guard lock(store.mutex);
  auto found = store.sessions.find(key);
  if (found != store.sessions.end()) SSL_set_session(ssl, found->second.get());
}

void WTlsSessionCache::Forget(const std::string& key) {
  Store& store = TheStore();
  std::lock_guard lock(store.mutex);
  if (store.sessions.erase(key)) std::erase(store.order, key);
}
