// The commands other programs hand to the running download center: the
// client command "#clicent#" (a link, or a JSON object describing one) and
// the browser command "#browser#". Copy-data carries only the client
// command and is matched exactly, byte for byte; a first command-line
// argument may carry either, in any case, as desktop shortcuts have always
// written them.
#ifndef VELMORA_PLATFORM_CLIENTCOMMAND_H
#define VELMORA_PLATFORM_CLIENTCOMMAND_H

#include <string_view>

namespace platform {

inline constexpr std::string_view kClientCommandPrefix = "#clicent#";
inline constexpr std::string_view kBrowserCommandPrefix = "#browser#";

// True when copy-data `data` is a client command: it begins with
// "#clicent#", exactly.
bool IsClientCommand(std::string_view data);

// The prefix a first command-line argument (UTF-8) begins with, letters in
// any case: kClientCommandPrefix or kBrowserCommandPrefix as written above
// (the spelling the window matches), or empty when it is neither.
std::string_view CommandLinePrefix(std::string_view argument);

}  // namespace platform

#endif
