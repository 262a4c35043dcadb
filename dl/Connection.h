// The engine's connection to a server is the network library's one server
// connection (plain or TLS, straight or through a proxy); this name keeps
// the engine's code about tasks, not transports.
#ifndef VELMORA_DL_CONNECTION_H
#define VELMORA_DL_CONNECTION_H

#include "net/WServerConnection.h"

using Connection = WServerConnection;

#endif
