// The download center without a window: the same script host and default
// scripts, driven by a loop of its own that serves remote calls as they
// come and ticks the scripts once a second. SIGTERM (and SIGINT) end it
// cleanly, with every task recorded to resume; SIGHUP reloads the settings.
#ifndef VELMORA_APP_HEADLESSHOST_H
#define VELMORA_APP_HEADLESSHOST_H

#include "app/HeadlessOptions.h"

// Runs until a signal ends it; the process's exit status.
int RunHeadless(const HeadlessOptions& options);

#endif
