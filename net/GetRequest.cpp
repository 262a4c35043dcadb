#include "net/GetRequest.h"

#include "net/WProxySettings.h"

namespace {

bool Lasting(FailureCause cause) {
  return cause == FailureCause::Tls || cause == FailureCause::TlsCertificate || cause == FailureCause::ProxyAuth;
}

FailureCause CauseOr(FailureCause cause, FailureCause otherwise) {
  return cause == FailureCause::None ? otherwise : cause;
}

}  // namespace

std::string BuildGetRequest(const HttpUrl& url, const HeaderList& extra, const ProxyForwarding& proxy) {
  std::string host = url.Authority();
  std::string target = proxy.absoluteTarget ? url.scheme + "://" + host + url.target : url.target;
  // A caller's own user agent (the browser's, for a link it handed over)
  // takes the place of ours: servers read only one.
  const std::string* agent = nullptr;
  for (const auto& header : extra)
    if (!agent && SameHeaderName(header.first, "User-Agent")) agent = &header.second;
  std::string text = "GET " + target + " HTTP/1.1\r\nHost: " + host + "\r\nUser-Agent: " +
                     (agent ? *agent : std::string(kEngineUserAgent)) + "\r\nAccept: */*\r\nConnection: close\r\n";
  if (!proxy.proxyAuthorization.empty()) text += "Proxy-Authorization: " + proxy.proxyAuthorization + "\r\n";
  for (const auto& header : extra)
    if (&header.second != agent) text += header.first + ": " + header.second + "\r\n";
  return text + "\r\n";
}

std::unique_ptr<WServerConnection> SendGet(const HttpUrl& url, const HeaderList& headers, int receiveBufferBytes,
                                           int timeoutMs, const StopCheck& cancelled, GetFailure& failure) {
  WProxyChoice proxy = WProxySettings::ChooseFor(url.scheme, url.host, url.port);
  auto connection = std::make_unique<WServerConnection>();
  WServerTarget target{url.scheme, url.host, url.port, false, receiveBufferBytes};
  if (connection->Open(target, proxy, timeoutMs, cancelled) != Success) {
    failure.cause = CauseOr(connection->cause(), FailureCause::Refused);
    failure.error = connection->errorText();
    failure.stopped = cancelled && cancelled();
    // A handshake that failed says something about the server or its
    // certificate, and a proxy setting or credentials stay what they are:
    // trying again gives the same answer.
    failure.permanent = Lasting(failure.cause) || !proxy.error.empty();
    return nullptr;
  }
  ProxyForwarding forwarding{connection->forwardsThroughProxy(), connection->proxyAuthorization()};
  std::string request = BuildGetRequest(url, headers, forwarding);
  if (connection->WriteAll(request.data(), request.size(), timeoutMs, cancelled) != Success) {
    // A connection that falls over as the request goes out was reset.
    failure.cause = CauseOr(connection->cause(), FailureCause::Refused);
    failure.error = "cannot send the request: " + connection->errorText();
    failure.stopped = cancelled && cancelled();
    failure.connected = true;
    return nullptr;
  }
  return connection;
}
