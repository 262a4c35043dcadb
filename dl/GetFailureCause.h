// Why a GET did not get its request out, as a cause value. The connection
// says only whether another try could mend it; until it names its own
// cause, this is the one place that tells the causes apart.
#ifndef VELMORA_DL_GETFAILURECAUSE_H
#define VELMORA_DL_GETFAILURECAUSE_H

#include <string_view>

#include "base/FailureCause.h"
#include "dl/GetRequest.h"

// `scheme` of the URL asked for: a lasting refusal of an https target is
// its handshake, of a plain one the proxy.
FailureCause GetFailureCause(const GetFailure& failure, std::string_view scheme);

#endif
