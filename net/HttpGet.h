// A blocking GET for scripts that query web services: redirects followed,
// gzip and deflate bodies decoded, the body capped in size. Any status is an
// answer (the caller looks at it); failures are only for answers that never
// came whole.
#ifndef VELMORA_NET_HTTPGET_H
#define VELMORA_NET_HTTPGET_H

#include <cstddef>
#include <string>

#include "base/FailureCause.h"
#include "base/ResultCode.h"
#include "net/HeaderList.h"

struct HttpGetAnswer {
  int status = 0;
  std::string body;
  HeaderList headers;  // as received, in order
  // After a failure, its kind: InitParamsError (a header), HttpUrlError,
  // NetConnectError, NetSendError, NetReadError (silent, cut, damaged or
  // overlong answers) or HttpJump (a redirect that cannot be followed); and
  // its cause.
  ResultCode code = Success;
  FailureCause cause = FailureCause::None;
};

struct HttpGetOptions {
  int idleTimeoutSeconds = 30;
  size_t maxBodyBytes = 64u << 20;
};

// False with `error` on a bad URL or header (see CheckHeaders), no
// connection, a silent or cut answer, a damaged body or one over the cap, a
// redirect to an empty Location or to another scheme.
bool HttpGet(const std::string& url, const HeaderList& headers, HttpGetAnswer& answer, std::string& error,
             const HttpGetOptions& options = {});

#endif
