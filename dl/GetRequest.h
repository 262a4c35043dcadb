// Opening a connection for one GET and sending it, the same way for a
// task's first answer and for each range fetched beside it.
#ifndef VELMORA_DL_GETREQUEST_H
#define VELMORA_DL_GETREQUEST_H

#include <functional>
#include <memory>
#include <string>

#include "dl/Connection.h"
#include "dl/HttpUrl.h"

struct GetFailure {
  bool stopped = false;    // `cancelled` turned true
  bool permanent = false;  // another try cannot mend it (certificate, proxy setting)
  bool connected = false;  // the connection stood; sending the request failed
  std::string error;
};

// The connection with the request sent, or null with `failure`.
std::unique_ptr<Connection> SendGet(const HttpUrl& url, const HeaderList& headers, int receiveBufferBytes,
                                    int timeoutMs, const std::function<bool()>& cancelled, GetFailure& failure);

#endif
