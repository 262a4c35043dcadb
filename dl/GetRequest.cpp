#include "dl/GetRequest.h"

std::unique_ptr<Connection> SendGet(const HttpUrl& url, const HeaderList& headers, int receiveBufferBytes,
                                    int timeoutMs, const std::function<bool()>& cancelled, GetFailure& failure) {
  ConnectTarget target{url.scheme, url.host, url.port, receiveBufferBytes, timeoutMs};
  auto connection = OpenConnection(target, cancelled, failure.error, failure.permanent);
  if (!connection) {
    failure.stopped = cancelled();
    return nullptr;
  }
  ProxyForwarding forwarding{connection->forwardsThroughProxy(), connection->proxyAuthorization()};
  if (!connection->SendAll(BuildGetRequest(url, headers, forwarding), timeoutMs, cancelled)) {
    failure.stopped = cancelled();
    failure.connected = true;
    failure.error = "cannot send the request: " + connection->errorText();
    return nullptr;
  }
  return connection;
}
