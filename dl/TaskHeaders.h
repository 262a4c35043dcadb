// Request headers a script gives a task (cookies, referrer, the browser's
// user agent): checked once when the task is added, then sent with every
// request of that task, a User-Agent in place of the engine's own. They
// live in memory only: a cookie must not end up in a file beside the part.
#ifndef VELMORA_DL_TASKHEADERS_H
#define VELMORA_DL_TASKHEADERS_H

#include <string>
#include <string_view>

#include "dl/HttpUrl.h"

// "Name: value" split at the first colon, blanks around the value dropped.
// False with `error` for a line without a colon.
bool SplitHeaderLine(std::string_view line, std::pair<std::string, std::string>& header, std::string& error);

// False with `error` naming the first header whose name is not a token, whose
// name or value holds a control character (CR, LF and NUL above all: they
// would let a value add request lines of its own), or that the engine sets
// itself (Host, Range, If-Range, Connection, Accept-Encoding, Proxy-Authorization,
// Content-Length, Transfer-Encoding).
// A User-Agent given twice is refused too: only one can be sent.
bool CheckTaskHeaders(const HeaderList& headers, std::string& error);

// Sent when a task names no user agent of its own.
inline constexpr char kEngineUserAgent[] = "Velmora/1.0";

// The value of the task's header `name` (any case), or null when it has none.
const std::string* FindTaskHeader(const HeaderList& headers, std::string_view name);

#endif
