// Waiting that a stop cuts short: retries and helpers pause between tries
// but must still let a pause or an exit through within a tenth of a second.
#ifndef VELMORA_DL_STOPPABLEPAUSE_H
#define VELMORA_DL_STOPPABLEPAUSE_H

#include <functional>

// False when `stopped` turned true before the time was up.
bool PauseUnlessStopped(const std::function<bool()>& stopped, int milliseconds);

#endif
