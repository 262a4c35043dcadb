#include "rpc/RpcServer.h"

#include <openssl/ssl.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <list>
#include <mutex>
#include <thread>

#include "platform/ListeningSocket.h"
#include "platform/Socket.h"
#include "platform/SocketIo.h"
#include "platform/WakeSignal.h"
#include "rpc/AuthThrottle.h"
#include "rpc/HttpRequestReader.h"
#include "rpc/TlsServerContext.h"
#include "rpc/WebSocketFraming.h"

namespace rpc {

namespace {

constexpr std::size_t kMaxConnections = 256;
constexpr int64_t kIdleMs = 120 * 1000;
constexpr std::size_t kReadSlice = 64 * 1024;
// A client that does not read its answers is dropped rather than buffered for.
constexpr std::size_t kMaxQueuedOutput = 16 * 1024 * 1024;

int64_t SteadyMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

const char* StatusText(int status) {
  switch (status) {
    case 101: return "Switching Protocols";
    case 200: return "OK";
    case 204: return "No Content";
    case 400: return "Bad Request";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 405: return "Method Not Allowed";
    case 413: return "Payload Too Large";
    case 431: return "Request Header Fields Too Large";
    case 500: return "Internal Server Error";
    case 501: return "Not Implemented";
    default: return "Error";
  }
}

std::string PathOf(const std::string& target) { return target.substr(0, target.find('?')); }

}  // namespace

struct Connection {
  uint64_t id = 0;
  int fd = -1;
  std::string peer;
  SslSession tls;
  bool tlsWantsWrite = false;
  HttpRequestReader http;
  std::unique_ptr<WebSocketReader> webSocket;
  std::string out;
  std::string held;  // an answer kept back until the throttle's delay ends
  bool closeAfterFlush = false;
  bool closed = false;
  int busy = 0;  // messages the main loop still runs
  int64_t resumeAt = 0;
  int64_t lastActive = 0;
  std::string corsOrigin;  // the listed origin this request came from
  bool keepAlive = true;

  explicit Connection(std::size_t bodyCap) : http(bodyCap) {}
  ~Connection() {
    tls.reset();
    if (fd >= 0) platform::CloseSocket(fd);
  }
};

// A message on its way through the main loop.
struct Pending {
  uint64_t connection = 0;
  std::shared_ptr<RpcExchange> exchange;
  bool webSocket = false;
};

struct RpcServer::Impl {
  RpcServerOptions options;
  int listener = -1;
  uint16_t boundPort = 0;
  TlsServerContext tls;
  AuthThrottle throttle;
  platform::WakeSignal wake;
  std::thread thread;
  bool stopping = false;  // guarded by mutex
  uint64_t nextId = 1;
  std::list<std::unique_ptr<Connection>> connections;

  std::mutex mutex;
  std::condition_variable arrived;
  std::deque<Pending> waiting;     // for the main loop
  std::deque<Pending> done;        // back from it
  std::deque<std::string> notices; // notifications to broadcast

  explicit Impl(RpcServerOptions given)
      : options(std::move(given)), throttle(options.clockMs ? options.clockMs : SteadyMs) {
    if (!options.clockMs) options.clockMs = SteadyMs;
  }

  int64_t Now() const { return options.clockMs(); }
  void Log(const std::string& text) const {
    if (options.log) options.log(text);
  }

  Failure Listen();
  void Run();
  void Accept();
  void ReadFrom(Connection& c);
  void WriteTo(Connection& c);
  void Process(Connection& c);
  void ProcessHttp(Connection& c);
  void ProcessWebSocket(Connection& c);
  void HandlePost(Connection& c, const HttpRequest& request);
  void Upgrade(Connection& c, const HttpRequest& request);
  void Submit(Connection& c, std::shared_ptr<RpcExchange> exchange, bool webSocket);
  void Answer(Connection& c, const RpcExchange& exchange, bool webSocket);
  void SendHttp(Connection& c, int status, const std::string& body, const std::string& extra = {});
  void TakeFinished();
  void Broadcast();
  bool OriginListed(const std::string& origin) const;
  Connection* Find(uint64_t id);
};

RpcServer::RpcServer(RpcServerOptions options) : impl(std::make_unique<Impl>(std::move(options))) {}

RpcServer::~RpcServer() { Stop(); }

uint16_t RpcServer::port() const { return impl->boundPort; }

Failure RpcServer::Impl::Listen() {
  if (options.secret.empty()) return {FailureCause::BadInput, "remote control needs a secret"};
  const bool beyond = !platform::IsLoopbackHost(options.host);
  const bool wantTls = !options.certificateFile.empty() || !options.keyFile.empty();
  if (beyond && !wantTls && !options.allowPlainBeyondLoopback) {
    return {FailureCause::BadInput, "listening on " + options.host +
                                        " reaches beyond this machine: set a TLS certificate and key, or allow "
                                        "plain HTTP explicitly"};
  }
  if (wantTls) {
    if (Failure failure = tls.Load(options.certificateFile, options.keyFile)) return failure;
  }
  if (!wake.valid()) return {FailureCause::Internal, "cannot make the server's wake-up channel"};
  std::string error;
  listener = platform::OpenListeningSocket(options.host, options.port, boundPort, error);
  if (listener < 0) {
    return {FailureCause::Refused, "cannot listen on " + options.host + ":" + std::to_string(options.port) + ": " + error};
  }
  return {};
}

Failure RpcServer::Start() {
  if (impl->thread.joinable()) return {FailureCause::BadInput, "the server runs already"};
  if (Failure failure = impl->Listen()) return failure;
  impl->thread = std::thread([this] { impl->Run(); });
  return {};
}

void RpcServer::Stop() {
  if (!impl->thread.joinable()) return;
  {
    std::lock_guard<std::mutex> lock(impl->mutex);
    impl->stopping = true;
  }
  impl->wake.Raise();
  impl->thread.join();
  impl->connections.clear();
  if (impl->listener >= 0) platform::CloseSocket(impl->listener);
  impl->listener = -1;
  impl->arrived.notify_all();
}

std::size_t RpcServer::Serve(const CallHandler& handler) {
  std::deque<Pending> batch;
  {
    std::lock_guard<std::mutex> lock(impl->mutex);
    batch.swap(impl->waiting);
  }
  std::size_t ran = 0;
  for (Pending& pending : batch) {
    for (Invocation& call : pending.exchange->invocations()) {
      call.outcome = handler(call.method, call.params);
      ++ran;
    }
  }
  if (batch.empty()) return 0;
  {
    std::lock_guard<std::mutex> lock(impl->mutex);
    for (Pending& pending : batch) impl->done.push_back(std::move(pending));
  }
  impl->wake.Raise();
  return ran;
}

bool RpcServer::WaitForCalls(int milliseconds) {
  std::unique_lock<std::mutex> lock(impl->mutex);
  return impl->arrived.wait_for(lock, std::chrono::milliseconds(milliseconds),
                                [this] { return !impl->waiting.empty() || impl->stopping; }) &&
         !impl->waiting.empty();
}

void RpcServer::Notify(const std::string& method, const std::string& gid) {
  {
    std::lock_guard<std::mutex> lock(impl->mutex);
    if (!impl->thread.joinable()) return;
    impl->notices.push_back(NotificationText(method, gid));
  }
  impl->wake.Raise();
}

// The loop --------------------------------------------------------------

void RpcServer::Impl::Run() {
  std::vector<platform::SocketPoll> polls;
  std::vector<Connection*> polled;
  for (;;) {
    {
      std::lock_guard<std::mutex> lock(mutex);
      if (stopping) return;
    }
    const int64_t now = Now();
    int64_t waitMs = 1000;
    polls.clear();
    polled.clear();
    polls.push_back({wake.handle(), platform::SocketWant::Read, false});
    polls.push_back({listener, platform::SocketWant::Read, false});
    for (auto& c : connections) {
      if (c->resumeAt > now) {
        waitMs = std::min(waitMs, c->resumeAt - now);
        continue;
      }
      const bool write = !c->out.empty() || c->tlsWantsWrite;
      polls.push_back({c->fd, write ? platform::SocketWant::Write : platform::SocketWant::Read, false});
      polled.push_back(c.get());
    }
    platform::WaitAnySocketMs(polls.data(), polls.size(), static_cast<int>(waitMs));
    if (polls[0].ready) wake.Clear();
    TakeFinished();
    Broadcast();
    if (polls[1].ready) Accept();
    for (std::size_t i = 0; i < polled.size(); ++i) {
      Connection& c = *polled[i];
      if (!polls[i + 2].ready || c.closed) continue;
      // A TLS read that needed to write first is retried once writable.
      if (polls[i + 2].want == platform::SocketWant::Write && !c.out.empty()) WriteTo(c);
      else ReadFrom(c);
    }
    const int64_t after = Now();
    for (auto& c : connections) {
      if (c->resumeAt && c->resumeAt <= after) {
        c->resumeAt = 0;
        c->out += c->held;
        c->held.clear();
        Process(*c);
      }
      if (!c->out.empty() && !c->closed) WriteTo(*c);
      if (c->out.empty() && c->held.empty() && c->closeAfterFlush && c->busy == 0) c->closed = true;
      if (c->busy == 0 && c->resumeAt == 0 && after - c->lastActive > kIdleMs) c->closed = true;
    }
    connections.remove_if([](const std::unique_ptr<Connection>& c) { return c->closed && c->busy == 0; });
  }
}

void RpcServer::Impl::Accept() {
  for (;;) {
    std::string peer;
    const int fd = platform::AcceptConnection(listener, peer);
    if (fd < 0) return;
    if (connections.size() >= kMaxConnections) {
      platform::CloseSocket(fd);
      Log("rpc: refused a connection from " + peer + ": too many open connections");
      continue;
    }
    auto c = std::make_unique<Connection>(options.bodyCap);
    c->id = nextId++;
    c->fd = fd;
    c->peer = peer;
    c->lastActive = Now();
    if (tls.loaded()) {
      c->tls = tls.Accept(fd);
      if (!c->tls) continue;
    }
    connections.push_back(std::move(c));
  }
}

void RpcServer::Impl::ReadFrom(Connection& c) {
  char buffer[kReadSlice];
  long got;
  if (c.tls) {
    c.tlsWantsWrite = false;
    got = SSL_read(c.tls.get(), buffer, sizeof buffer);
    if (got <= 0) {
      const int error = SSL_get_error(c.tls.get(), static_cast<int>(got));
      if (error == SSL_ERROR_WANT_READ) return;
      if (error == SSL_ERROR_WANT_WRITE) {
        c.tlsWantsWrite = true;
        return;
      }
      c.closed = true;
      return;
    }
  } else {
    got = platform::ReceiveSome(c.fd, buffer, sizeof buffer);
    if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return;
    if (got <= 0) {
      c.closed = true;
      return;
    }
  }
  c.lastActive = Now();
  if (c.webSocket) c.webSocket->Feed(std::string_view(buffer, static_cast<std::size_t>(got)));
  else c.http.Feed(std::string_view(buffer, static_cast<std::size_t>(got)));
  Process(c);
  // Bytes OpenSSL decrypted already never make the socket readable again.
  if (c.tls && !c.closed && SSL_pending(c.tls.get()) > 0) ReadFrom(c);
}

void RpcServer::Impl::WriteTo(Connection& c) {
  while (!c.out.empty()) {
    long sent;
    if (c.tls) {
      c.tlsWantsWrite = false;
      sent = SSL_write(c.tls.get(), c.out.data(), static_cast<int>(std::min<std::size_t>(c.out.size(), 1 << 20)));
      if (sent <= 0) {
        const int error = SSL_get_error(c.tls.get(), static_cast<int>(sent));
        if (error == SSL_ERROR_WANT_WRITE || error == SSL_ERROR_WANT_READ) {
          c.tlsWantsWrite = error == SSL_ERROR_WANT_WRITE;
          return;
        }
        c.closed = true;
        return;
      }
    } else {
      sent = platform::SendSome(c.fd, c.out.data(), c.out.size());
      if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return;
      if (sent <= 0) {
        c.closed = true;
        return;
      }
    }
    c.out.erase(0, static_cast<std::size_t>(sent));
    c.lastActive = Now();
  }
}

void RpcServer::Impl::Process(Connection& c) {
  if (c.closed || c.closeAfterFlush) return;
  if (c.webSocket) ProcessWebSocket(c);
  else ProcessHttp(c);
}

bool RpcServer::Impl::OriginListed(const std::string& origin) const {
  return std::find(options.allowedOrigins.begin(), options.allowedOrigins.end(), origin) !=
         options.allowedOrigins.end();
}

void RpcServer::Impl::SendHttp(Connection& c, int status, const std::string& body, const std::string& extra) {
  std::string head = "HTTP/1.1 " + std::to_string(status) + " " + StatusText(status) + "\r\n";
  if (status != 204) head += "Content-Type: application/json-rpc\r\nContent-Length: " + std::to_string(body.size()) + "\r\n";
  if (!c.corsOrigin.empty()) head += "Access-Control-Allow-Origin: " + c.corsOrigin + "\r\nVary: Origin\r\n";
  head += extra;
  if (!c.keepAlive) head += "Connection: close\r\n";
  head += "\r\n";
  std::string& target = c.resumeAt ? c.held : c.out;
  target += head;
  target += body;
  if (!c.keepAlive) c.closeAfterFlush = true;
  if (c.out.size() > kMaxQueuedOutput) c.closed = true;
}

void RpcServer::Impl::ProcessHttp(Connection& c) {
  while (!c.closed && !c.closeAfterFlush && c.busy == 0 && c.resumeAt == 0 && !c.webSocket) {
    const HttpRequestReader::State state = c.http.Feed({});
    if (state == HttpRequestReader::State::NeedMore) return;
    if (state == HttpRequestReader::State::Failed) {
      c.keepAlive = false;
      c.corsOrigin.clear();
      SendHttp(c, c.http.failureStatus(), JsonText(ErrorObject(-32600, c.http.failureText())));
      return;
    }
    // A peer that guessed wrong waits before anything else it sends is read.
    if (const int64_t wait = throttle.WaitMs(c.peer)) {
      c.resumeAt = Now() + wait;
      return;
    }
    const HttpRequest request = c.http.Take();
    c.keepAlive = request.KeepAlive();
    const std::string origin = request.Header("origin");
    c.corsOrigin = !origin.empty() && OriginListed(origin) ? origin : std::string();
    if (PathOf(request.target) != "/jsonrpc") {
      SendHttp(c, 404, JsonText(ErrorObject(-32600, "only /jsonrpc is served")));
    } else if (request.method == "OPTIONS") {
      SendHttp(c, 204, {}, c.corsOrigin.empty() ? std::string()
                                                : "Access-Control-Allow-Methods: POST, GET, OPTIONS\r\n"
                                                  "Access-Control-Allow-Headers: Content-Type\r\n"
                                                  "Access-Control-Max-Age: 1728000\r\n");
    } else if (request.method == "GET" && !request.Header("upgrade").empty()) {
      Upgrade(c, request);
    } else if (request.method == "POST") {
      HandlePost(c, request);
    } else {
      SendHttp(c, 405, JsonText(ErrorObject(-32600, "calls come as POST or over a WebSocket")), "Allow: POST, OPTIONS\r\n");
    }
  }
}

void RpcServer::Impl::HandlePost(Connection& c, const HttpRequest& request) {
  Submit(c, std::make_shared<RpcExchange>(request.body, options.secret), false);
}

void RpcServer::Impl::Upgrade(Connection& c, const HttpRequest& request) {
  const std::string origin = request.Header("origin");
  // Browsers do not hold WebSockets to the same-origin rule: the server must.
  if (!origin.empty() && c.corsOrigin.empty()) {
    Log("rpc: refused a WebSocket from " + c.peer + " for the origin " + origin + ", which is not listed");
    c.keepAlive = false;
    SendHttp(c, 403, JsonText(ErrorObject(-32600, "this origin may not connect")));
    return;
  }
  const std::string key = request.Header("sec-websocket-key");
  std::string upgrade = request.Header("upgrade");
  std::transform(upgrade.begin(), upgrade.end(), upgrade.begin(), [](unsigned char ch) { return std::tolower(ch); });
  if (key.empty() || upgrade != "websocket" || request.Header("sec-websocket-version") != "13") {
    c.keepAlive = false;
    SendHttp(c, 400, JsonText(ErrorObject(-32600, "not a WebSocket handshake")));
    return;
  }
  c.out += "HTTP/1.1 101 Switching Protocols\r\nUpgrade: websocket\r\nConnection: Upgrade\r\nSec-WebSocket-Accept: " +
           WebSocketAcceptKey(key) + "\r\n\r\n";
  c.webSocket = std::make_unique<WebSocketReader>(options.messageCap);
  c.webSocket->Feed(c.http.TakeRest());
  ProcessWebSocket(c);
}

void RpcServer::Impl::ProcessWebSocket(Connection& c) {
  while (!c.closed && !c.closeAfterFlush && c.busy == 0 && c.resumeAt == 0) {
    if (const int64_t wait = throttle.WaitMs(c.peer)) {
      c.resumeAt = Now() + wait;
      return;
    }
    const WebSocketReader::Event event = c.webSocket->Next();
    switch (event) {
      case WebSocketReader::Event::NeedMore:
        return;
      case WebSocketReader::Event::Message:
        Submit(c, std::make_shared<RpcExchange>(c.webSocket->payload(), options.secret), true);
        break;
      case WebSocketReader::Event::Ping:
        c.out += WebSocketFrame(kWsPong, c.webSocket->payload());
        break;
      case WebSocketReader::Event::Close:
        c.out += WebSocketFrame(kWsClose, c.webSocket->payload().substr(0, 2));
        c.closeAfterFlush = true;
        return;
      case WebSocketReader::Event::Failed: {
        const uint16_t code = c.webSocket->failureCode();
        c.out += WebSocketFrame(kWsClose, std::string{static_cast<char>(code >> 8), static_cast<char>(code & 0xff)});
        c.closeAfterFlush = true;
        return;
      }
    }
  }
}

void RpcServer::Impl::Submit(Connection& c, std::shared_ptr<RpcExchange> exchange, bool webSocket) {
  if (exchange->wrongSecrets() > 0) {
    const int64_t delay = throttle.Failed(c.peer);
    Log("rpc: wrong or missing secret from " + c.peer + " (" + std::to_string(throttle.Failures(c.peer)) +
        " in a row); its calls wait " + std::to_string(delay) + " ms from now");
    // The answer itself waits too, so a guesser learns nothing sooner.
    c.resumeAt = Now() + delay;
  } else if (exchange->rightSecrets() > 0) {
    throttle.Succeeded(c.peer);
  }
  if (exchange->invocations().empty()) {
    Answer(c, *exchange, webSocket);
    return;
  }
  ++c.busy;
  {
    std::lock_guard<std::mutex> lock(mutex);
    waiting.push_back(Pending{c.id, std::move(exchange), webSocket});
  }
  arrived.notify_one();
}

void RpcServer::Impl::Answer(Connection& c, const RpcExchange& exchange, bool webSocket) {
  const std::string text = exchange.Answer();
  if (webSocket) {
    if (!text.empty()) (c.resumeAt ? c.held : c.out) += WebSocketFrame(kWsText, text);
    return;
  }
  const int status = exchange.ParseFailed() ? 500 : exchange.AnswerIsError() ? 400 : 200;
  SendHttp(c, status, text);
}

Connection* RpcServer::Impl::Find(uint64_t id) {
  for (auto& c : connections) {
    if (c->id == id) return c.get();
  }
  return nullptr;
}

void RpcServer::Impl::TakeFinished() {
  std::deque<Pending> finished;
  {
    std::lock_guard<std::mutex> lock(mutex);
    finished.swap(done);
  }
  for (Pending& pending : finished) {
    Connection* c = Find(pending.connection);
    if (!c) continue;
    --c->busy;
    if (c->closed) continue;
    Answer(*c, *pending.exchange, pending.webSocket);
    WriteTo(*c);
    Process(*c);
  }
}

void RpcServer::Impl::Broadcast() {
  std::deque<std::string> texts;
  {
    std::lock_guard<std::mutex> lock(mutex);
    texts.swap(notices);
  }
  if (texts.empty()) return;
  for (auto& c : connections) {
    if (!c->webSocket || c->closed || c->closeAfterFlush) continue;
    for (const std::string& text : texts) c->out += WebSocketFrame(kWsText, text);
    if (c->out.size() > kMaxQueuedOutput) c->closed = true;
  }
}

}  // namespace rpc
