// The main window's side of the network configuration: the bootstrap built
// for this deployment, whose workers post to the process's own main window
// (found by its title), never to another instance's.
#ifndef VELMORA_APP_CONFIGBOOTSTRAPSTEPS_H
#define VELMORA_APP_CONFIGBOOTSTRAPSTEPS_H

#include <memory>

#include "script/ConfigBootstrap.h"

// Hosts from the environment; posts go to the window titled "Velmora" in
// this process.
std::unique_ptr<ConfigBootstrap> MakeMainWindowBootstrap();

// Posts `message` to this process's window titled "Velmora"; false while
// there is none. Safe from any thread.
bool PostToOwnMainWindow(unsigned message);

#endif
