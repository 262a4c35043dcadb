// A blocking GET for scripts that query web services: redirects followed,
// gzip and deflate bodies decoded, the body capped in size. Any status is an
// answer (the caller looks at it); failures are only for answers that never
// came whole.
#ifndef VELMORA_DL_HTTPGET_H
#define VELMORA_DL_HTTPGET_H

#include <cstddef>
#include <string>

#include "dl/HttpUrl.h"

struct HttpGetAnswer {
  int status = 0;
  std::string body;
  HeaderList headers;  // as received, in order
};

struct HttpGetOptions {
  int idleTimeoutSeconds = 30;
  size_t maxBodyBytes = 64u << 20;
};

// False with `error` on a bad URL or header, no connection, a silent or
// cut answer, a damaged body or one over the cap.
bool HttpGet(const std::string& url, const HeaderList& headers, HttpGetAnswer& answer, std::string& error,
             const HttpGetOptions& options = {});

// A header name is a token and a value holds no line break or NUL.
bool IsValidHeader(const std::string& name, const std::string& value);

#endif
