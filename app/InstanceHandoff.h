// A second start while the download center runs: the running window comes
// to the front and gets the new command line, and the new process ends, so
// only one instance ever owns the scripts, the database and the downloads.
#ifndef VELMORA_APP_INSTANCEHANDOFF_H
#define VELMORA_APP_INSTANCEHANDOFF_H

#include <string>
#include <vector>

#include "ui/UIDefs.h"

// The arguments after the program path joined by blanks, as UTF-8, when the
// first one begins with a hand-over prefix in any case (platform/
// ClientCommand.h); the prefix is then written as the window expects it.
// Else empty.
std::string ClientCommandText(const std::vector<std::u16string>& arguments);

// The arguments after the program path that are web links (http, https or
// ftp, any case), each as its own "#clicent#" command in UTF-8: what a
// desktop entry's `velmora %U` or a user typing `velmora URL...` hands over.
std::vector<std::string> LinkCommands(const std::vector<std::u16string>& arguments);

// Restores `running` and, when the command line carries a client command or
// links, sends each as copy-data.
void HandToRunningInstance(HWND running, const std::vector<std::u16string>& arguments);

#endif
