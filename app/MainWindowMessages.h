// How the main window is reached from outside its own class: the title it
// is found by and the custom messages it answers. Workers and the launcher
// post to it knowing only these, so they need not include the window.
#ifndef VELMORA_APP_MAINWINDOWMESSAGES_H
#define VELMORA_APP_MAINWINDOWMESSAGES_H

#include "ui/UIDefs.h"

inline constexpr UINT kMsgScriptRequest = 2858;    // to OnMessage; wParam 0 also fetches the server list
inline constexpr UINT kMsgServerListReady = 2862;  // from the server-list thread
inline constexpr UINT kMsgShowCover = 2863;        // the cover picture
inline constexpr UINT kMsgConfigAnswer = 2964;     // from the configuration thread
inline constexpr UINT kMsgRestartConfig = 2965;    // start the configuration bootstrap again
inline constexpr UINT kMsgAskUpdateNotice = 2966;  // fetch the update notice unless known, then show it
inline constexpr UINT kMsgShowUpdateNotice = 2967; // show the update notice
inline constexpr UINT kMsgTrayIcon = 3010;         // mouse events of the notification-area icon
inline constexpr WPARAM kTrayIconId = 107;
inline constexpr UINT_PTR kScriptTimerId = 1;

inline constexpr char16_t kProductTitle[] = u"Velmora";

#endif
