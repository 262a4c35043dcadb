#include "net/HttpGet.h"

#include <memory>

#include "net/ContentDecoderChain.h"
#include "net/GetRequest.h"
#include "net/HttpResponseReader.h"
#include "net/HttpUrl.h"

namespace {

constexpr int kWaitMs = 200;
constexpr int kMaxRedirects = 10;

bool Failed(HttpGetAnswer& answer, std::string& error, ResultCode code, FailureCause cause, std::string message) {
  answer.code = code;
  answer.cause = cause;
  error = std::move(message);
  return false;
}

struct Exchange {
  const HttpGetOptions& options;
  HttpGetAnswer& answer;
  std::string& error;
  std::unique_ptr<ContentDecoderChain> decoder;
  bool headSeen = false;
  bool failed = false;

  bool Fail(ResultCode code, FailureCause cause, std::string message) {
    return Failed(answer, error, code, cause, std::move(message));
  }

  bool Keep(const char* data, size_t size) {
    if (answer.body.size() + size > options.maxBodyBytes) {
      error = "the body is larger than " + std::to_string(options.maxBodyBytes) + " bytes";
      return !(failed = true);
    }
    answer.body.append(data, size);
    return true;
  }

  bool StartBody(const HttpResponseHead& head) {
    headSeen = true;
    auto chain = std::make_unique<ContentDecoderChain>();
    if (!chain->BuildForContentEncoding(head.ListValues("Content-Encoding"), ContentDecoder::kDefaultOutputLimit, error))
      return !(failed = true);
    if (!chain->empty()) decoder = std::move(chain);
    return true;
  }

  bool Body(const HttpResponseHead& head, const char* data, size_t size) {
    if (!headSeen && !StartBody(head)) return false;
    if (!decoder) return Keep(data, size);
    if (decoder->Feed(data, size, [this](const char* d, size_t s) { return Keep(d, s); })) return true;
    if (!failed) error = "the coded body is damaged: " + decoder->errorText();
    return !(failed = true);
  }
};

bool ReadAnswer(WServerConnection& connection, HttpResponseReader& reader, Exchange& exchange) {
  std::string buffer(64 * 1024, '\0');
  int idleMs = 0;
  while (reader.state() != HttpResponseReader::State::Done && reader.state() != HttpResponseReader::State::Failed) {
    long n = connection.Receive(buffer.data(), buffer.size(), kWaitMs);
    if (n == WServerConnection::kTimedOut) {
      if ((idleMs += kWaitMs) >= exchange.options.idleTimeoutSeconds * 1000)
        return exchange.Fail(NetReadError, FailureCause::Stall,
                             "no answer for " + std::to_string(exchange.options.idleTimeoutSeconds) + " s");
      continue;
    }
    if (n == WServerConnection::kError)
      return exchange.Fail(NetReadError, connection.cause(), "connection failed: " + connection.errorText());
    idleMs = 0;
    if (n == 0) {
      reader.FinishAtClose([&](const char* d, size_t s) { return exchange.Body(reader.head(), d, s); });
      break;
    }
    reader.Feed(buffer.data(), static_cast<size_t>(n),
                [&](const char* d, size_t s) { return exchange.Body(reader.head(), d, s); });
  }
  if (exchange.failed) return exchange.Fail(NetReadError, FailureCause::BadAnswer, exchange.error);
  if (reader.state() != HttpResponseReader::State::Done)
    return exchange.Fail(NetReadError, reader.error() == NetReadNotEnd ? FailureCause::Cut : FailureCause::BadAnswer,
                         "bad answer from the server: " + reader.errorText());
  bool whole = (exchange.headSeen || exchange.StartBody(reader.head())) &&
               (!exchange.decoder || exchange.decoder->Finish([&](const char* d, size_t s) { return exchange.Keep(d, s); }));
  if (!whole && !exchange.failed) exchange.error = "the coded body is damaged: " + exchange.decoder->errorText();
  return whole || exchange.Fail(NetReadError, FailureCause::BadAnswer, exchange.error);
}

bool GetOnce(const std::string& url, const HeaderList& headers, HttpGetAnswer& answer, std::string& error,
             const HttpGetOptions& options) {
  answer = HttpGetAnswer{};
  HttpUrl parsed;
  if (!ParseHttpUrl(url, parsed, error)) return Failed(answer, error, HttpUrlError, FailureCause::BadInput, error);
  HeaderList all{{"Accept-Encoding", "gzip, deflate"}};
  all.insert(all.end(), headers.begin(), headers.end());
  GetFailure failure;
  auto connection = SendGet(parsed, all, 0, options.idleTimeoutSeconds * 1000, {}, failure);
  if (!connection)
    return Failed(answer, error, failure.connected ? NetSendError : NetConnectError, failure.cause, failure.error);
  HttpResponseReader reader;
  Exchange exchange{options, answer, error, nullptr};
  if (!ReadAnswer(*connection, reader, exchange)) return false;
  if (connection->forwardsThroughProxy() && reader.head().status == 407)
    return Failed(answer, error, NetConnectError, FailureCause::ProxyAuth,
                  "the proxy " + connection->proxyEndpoint() + " refused the request: 407 " + reader.head().reason);
  answer.status = reader.head().status;
  answer.headers = reader.head().fields;
  return true;
}

}  // namespace

bool HttpGet(const std::string& url, const HeaderList& headers, HttpGetAnswer& answer, std::string& error,
             const HttpGetOptions& options) {
  std::string why;
  if (!CheckHeaders(headers, why))
    return Failed(answer, error, InitParamsError, FailureCause::BadInput, "not a valid header: " + why);
  std::string current = url;
  for (int hop = 0; hop <= kMaxRedirects; ++hop) {
    if (!GetOnce(current, headers, answer, error, options)) return false;
    bool redirect = answer.status == 301 || answer.status == 302 || answer.status == 303 || answer.status == 307 ||
                    answer.status == 308;
    if (!redirect || !HasHeader(answer.headers, "Location")) return true;
    Failure failure;
    if (!ResolveRedirect(current, HeaderValue(answer.headers, "Location"), current, failure))
      return Failed(answer, error, HttpJump, failure.cause, failure.message);
  }
  return Failed(answer, error, HttpJump, FailureCause::Redirect, "more than " + std::to_string(kMaxRedirects) + " redirects");
}
