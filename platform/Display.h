// Whether a window can be shown at all: the desktop session's display,
// checked before the window system starts (which would abort the process
// without one).
#ifndef VELMORA_PLATFORM_DISPLAY_H
#define VELMORA_PLATFORM_DISPLAY_H

#include <optional>
#include <string>

namespace platform {

// Why no window can be shown here (one short sentence), or nothing when a
// display looks usable. QT_QPA_PLATFORM naming a platform without a screen
// (offscreen, minimal, vnc, ...) always counts as usable; otherwise the X
// display named by DISPLAY must accept a connection when it is local.
std::optional<std::string> MissingDisplayReason();

}  // namespace platform

#endif
