// What a link becomes on its way to the window: the client command
// "#clicent#" followed by one JSON object, handed over as copy-data, the
// same road `velmora-send --copydata` takes. Cookies and the referrer travel
// only in that message, never through a file or a command line.
#ifndef VELMORA_NATIVEHOST_LINKHANDOFF_H
#define VELMORA_NATIVEHOST_LINKHANDOFF_H

#include <string>

#include "nativehost/HostRequest.h"
#include "platform/ClientCommand.h"

namespace nativehost {

// "#clicent#{"url":...,"name":...,...,"id":...}"; empty members are left out.
std::string ClientCommandForLink(const LinkRequest& link, const std::string& id);

// Where links go. The real one reaches the window of the download center;
// tests put their own in its place.
class LinkReceiver {
 public:
  virtual ~LinkReceiver() = default;
  // Delivers `command` (without a terminating zero); on failure returns
  // false and says why in `error`.
  virtual bool Deliver(const std::string& command, std::string& error) = 0;
};

}  // namespace nativehost

#endif
