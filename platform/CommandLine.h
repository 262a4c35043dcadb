// The process command line as UTF-16 arguments, the form the host expects.
#ifndef VELMORA_PLATFORM_COMMANDLINE_H
#define VELMORA_PLATFORM_COMMANDLINE_H

#include <string>
#include <vector>

namespace platform {

// Decodes argv from the user's locale encoding. Argument 0
// is the program path as given.
std::vector<std::u16string> CommandLineArguments(int argc, char** argv);

// The process's own command line, recorded once by main() and read by the
// script host (the desktop reads it from the process; we are handed argv).
void RecordProcessCommandLine(std::vector<std::u16string> arguments);
std::vector<std::u16string> ProcessCommandLine();

}  // namespace platform

#endif
