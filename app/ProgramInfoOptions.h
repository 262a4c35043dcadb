// `velmora --help` and `velmora --version`: answered before any window or
// display is needed, so they work over ssh and in package checks.
#ifndef VELMORA_APP_PROGRAMINFOOPTIONS_H
#define VELMORA_APP_PROGRAMINFOOPTIONS_H

#include <cstdio>
#include <optional>

// The exit status when the first argument asks for usage or the version
// (printed to `out`); nothing when the program should go on.
std::optional<int> AnswerProgramInfoOption(int argc, char** argv, std::FILE* out);

#endif
