#include "dl/HttpGet.h"

#include <strings.h>

#include <chrono>
#include <memory>

#include "dl/Connection.h"
#include "net/ContentDecoder.h"
#include "net/HttpResponseReader.h"

namespace {

constexpr int kSliceMs = 200;
constexpr int kMaxRedirects = 10;

bool IsTokenChar(unsigned char c) {
  return c > 0x20 && c < 0x7f && std::string_view("()<>@,;:\\\"/[]?={}").find(static_cast<char>(c)) == std::string_view::npos;
}

struct Exchange {
  const HttpGetOptions& options;
  HttpGetAnswer& answer;
  std::string& error;
  std::unique_ptr<ContentDecoder> decoder;
  bool headSeen = false;
  bool failed = false;

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
    std::vector<std::string> codings;
    for (auto& coding : head.ListValues("Content-Encoding"))
      if (!coding.empty() && coding != "identity") codings.push_back(coding);
    if (codings.empty()) return true;
    if (codings.size() == 1) decoder = ContentDecoder::ForCoding(codings.front());
    if (!decoder) error = "the server's content coding is not supported: " + head.Value("Content-Encoding");
    return decoder != nullptr || !(failed = true);
  }

  bool Body(const HttpResponseHead& head, const char* data, size_t size) {
    if (!headSeen && !StartBody(head)) return false;
    if (!decoder) return Keep(data, size);
    if (decoder->Feed(data, size, [this](const char* d, size_t s) { return Keep(d, s); })) return true;
    if (!failed) error = "the coded body is damaged: " + decoder->errorText();
    return !(failed = true);
  }
};

bool ReadAnswer(Connection& connection, HttpResponseReader& reader, Exchange& exchange) {
  std::string buffer(64 * 1024, '\0');
  int idleMs = 0;
  while (reader.state() != HttpResponseReader::State::Done && reader.state() != HttpResponseReader::State::Failed) {
    long n = connection.Receive(buffer.data(), buffer.size(), kSliceMs);
    if (n == Connection::kWaitedOut) {
      if ((idleMs += kSliceMs) >= exchange.options.idleTimeoutSeconds * 1000)
        return exchange.error = "no answer for " + std::to_string(exchange.options.idleTimeoutSeconds) + " s", false;
      continue;
    }
    if (n == Connection::kFailed) return exchange.error = "connection failed: " + connection.errorText(), false;
    idleMs = 0;
    if (n == 0) {
      reader.FinishAtClose([&](const char* d, size_t s) { return exchange.Body(reader.head(), d, s); });
      break;
    }
    reader.Feed(buffer.data(), static_cast<size_t>(n),
                [&](const char* d, size_t s) { return exchange.Body(reader.head(), d, s); });
  }
  if (exchange.failed) return false;
  if (reader.state() != HttpResponseReader::State::Done)
    return exchange.error = "bad answer from the server: " + reader.errorText(), false;
  if (!exchange.headSeen && !exchange.StartBody(reader.head())) return false;
  if (exchange.decoder && !exchange.decoder->Finish([&](const char* d, size_t s) { return exchange.Keep(d, s); }))
    return exchange.error = exchange.failed ? exchange.error : "the coded body is damaged: " + exchange.decoder->errorText(), false;
  return true;
}

bool GetOnce(const std::string& url, const HeaderList& headers, HttpGetAnswer& answer, std::string& error,
             const HttpGetOptions& options) {
  HttpUrl parsed;
  if (!ParseHttpUrl(url, parsed, error)) return false;
  ConnectTarget target{parsed.scheme, parsed.host, parsed.port, 0, options.idleTimeoutSeconds * 1000};
  bool permanent = false;
  auto connection = OpenConnection(target, nullptr, error, permanent);
  if (!connection) return false;
  HeaderList all{{"Accept-Encoding", "gzip, deflate"}};
  all.insert(all.end(), headers.begin(), headers.end());
  ProxyForwarding forwarding{connection->forwardsThroughProxy(), connection->proxyAuthorization()};
  if (!connection->SendAll(BuildGetRequest(parsed, all, forwarding), target.timeoutMs, nullptr))
    return error = "cannot send the request: " + connection->errorText(), false;
  HttpResponseReader reader;
  answer = HttpGetAnswer{};
  Exchange exchange{options, answer, error, nullptr};
  if (!ReadAnswer(*connection, reader, exchange)) return false;
  if (connection->forwardsThroughProxy() && reader.head().status == 407)
    return error = "the proxy " + connection->proxyEndpoint() + " refused the request: 407 " + reader.head().reason, false;
  answer.status = reader.head().status;
  answer.headers = reader.head().fields;
  return true;
}

}  // namespace

bool IsValidHeader(const std::string& name, const std::string& value) {
  if (name.empty()) return false;
  for (unsigned char c : name)
    if (!IsTokenChar(c)) return false;
  for (unsigned char c : value)
    if (c == '\r' || c == '\n' || c == 0) return false;
  return true;
}

bool HttpGet(const std::string& url, const HeaderList& headers, HttpGetAnswer& answer, std::string& error,
             const HttpGetOptions& options) {
  for (const auto& [name, value] : headers)
    if (!IsValidHeader(name, value)) return error = "header \"" + name + "\" is not a valid header line", false;
  std::string current = url;
  for (int hop = 0; hop <= kMaxRedirects; ++hop) {
    if (!GetOnce(current, headers, answer, error, options)) return false;
    bool redirect = answer.status == 301 || answer.status == 302 || answer.status == 303 || answer.status == 307 ||
                    answer.status == 308;
    std::string location;
    for (const auto& [name, value] : answer.headers)
      if (location.empty() && name.size() == 8 && strncasecmp(name.c_str(), "location", 8) == 0) location = value;
    if (!redirect || location.empty()) return true;
    current = ResolveLocation(current, location);
  }
  return error = "more than " + std::to_string(kMaxRedirects) + " redirects", false;
}
