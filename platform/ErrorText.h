// The one place that turns a system error number into words, for messages
// and diagnostic reports. Decisions read the number, never the words.
#ifndef VELMORA_PLATFORM_ERRORTEXT_H
#define VELMORA_PLATFORM_ERRORTEXT_H

#include <string>

namespace platform {

// The C library's text for an error number ("No space left on device").
std::string ErrorText(int errorNumber);

}  // namespace platform

#endif
