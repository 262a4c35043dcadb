// A finished download taking its name in the folder.
#ifndef VELMORA_DL_FINALMOVE_H
#define VELMORA_DL_FINALMOVE_H

#include <string>

#include "dl/TaskRun.h"

// Moves `from` to `folder`/`name` without replacing anything; when a file
// of that name appeared meanwhile, the host claims another `name` and the
// move is tried once more. 0 or errno.
int MoveToFinalName(TaskHost& host, const std::string& folder, std::string& name, const std::string& from);

#endif
