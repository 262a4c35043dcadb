// Request headers a script gives a task (cookies, referrer, the browser's
// user agent): checked once when the task is added, then sent with every
// request of that task, a User-Agent in place of the engine's own. They
// live in memory only: a cookie must not end up in a file beside the part.
#ifndef VELMORA_DL_TASKHEADERS_H
#define VELMORA_DL_TASKHEADERS_H

#include <string>

#include "net/HeaderList.h"

// False with `error` for headers CheckHeaders refuses, and for the first
// one the engine sets itself (Host, Range, If-Range, Connection,
// Accept-Encoding, Proxy-Authorization, Content-Length, Transfer-Encoding).
// A User-Agent given twice is refused too: only one can be sent, and a
// task's own takes the place of the engine's.
bool CheckTaskHeaders(const HeaderList& headers, std::string& error);

#endif
