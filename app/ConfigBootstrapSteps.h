// The main window's side of the network configuration: starting the
// configuration, server-list and update-notice fetches, and taking their
// answers on the window thread when their messages arrive.
#ifndef VELMORA_APP_CONFIGBOOTSTRAPSTEPS_H
#define VELMORA_APP_CONFIGBOOTSTRAPSTEPS_H

class LuaCommon;

// Asks the configuration service again (also run once by the host's construction).
void StartConfigBootstrap(LuaCommon& script);
// The configuration status later handed to SetHttpConfigStatus.
void SetConfigStatus(int status);
// Takes the configuration answer of the configuration thread.
void HandleConfigAnswer(LuaCommon& script);

bool ServerListDelivered();
void StartServerListFetch();
// Hands the fetched server list to InitThreadPathList.
void DeliverServerList(LuaCommon& script);

void StartUpdateNoticeFetch();

#endif
