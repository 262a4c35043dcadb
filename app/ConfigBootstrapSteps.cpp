#include "app/ConfigBootstrapSteps.h"

// The configuration thread, dc-config.ini decryption and InitSystem at the
// first due point land here.
void StartConfigBootstrap(LuaCommon&) {}

void SetConfigStatus(int) {}

void HandleConfigAnswer(LuaCommon&) {}

// The server-list thread and its delivery land here; nothing is fetched yet.
bool ServerListDelivered() { return false; }

void StartServerListFetch() {}

void DeliverServerList(LuaCommon&) {}

// The update-notice thread lands here.
void StartUpdateNoticeFetch() {}
