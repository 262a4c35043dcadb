#include "dl/TaskHeaders.h"

namespace {

bool IsEngineOwned(const std::string& name) {
  for (const char* owned : {"Host", "Range", "If-Range", "Connection", "Accept-Encoding", "Proxy-Authorization",
                            "Content-Length", "Transfer-Encoding"})
    if (SameHeaderName(name, owned)) return true;
  return false;
}

}  // namespace

bool CheckTaskHeaders(const HeaderList& headers, std::string& error) {
  if (!CheckHeaders(headers, error)) return false;
  int agents = 0;
  for (const auto& header : headers) {
    if (IsEngineOwned(header.first))
      return error = "header \"" + header.first + "\" is set by the download engine itself", false;
    if (SameHeaderName(header.first, "User-Agent") && ++agents > 1)
      return error = "header \"User-Agent\" is given more than once", false;
  }
  return true;
}
