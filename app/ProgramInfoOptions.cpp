#include "app/ProgramInfoOptions.h"

#include <cstring>

#ifndef VELMORA_VERSION
#define VELMORA_VERSION "0"
#endif

namespace {

constexpr const char kUsage[] =
    "usage: velmora [URL ...]\n"
    "       velmora --screenshot FILE.png\n"
    "       velmora --headless [--rpc-listen [HOST:]PORT] [--rpc-secret SECRET]\n"
    "                          [--rpc-allow-dir DIR]... [--print-secret]\n"
    "       velmora --help | --version\n"
    "\n"
    "Opens the Velmora download center. URLs given on the command line are\n"
    "added as new tasks; when Velmora is already running they are handed to\n"
    "the running window instead of opening a second one.\n"
    "\n"
    "  --screenshot FILE.png  draw the main window offscreen into FILE.png and end\n"
    "  --register-browsers    install the browser integration for this user\n"
    "  --unregister-browsers  remove it again\n"
    "  --open-at-login        start Velmora when the desktop session starts\n"
    "  --no-open-at-login     no longer do so\n"
    "  --headless             run without a window, driven over JSON-RPC on\n"
    "                         /jsonrpc (127.0.0.1:6800 unless --rpc-listen says)\n"
    "  --rpc-secret SECRET    the secret callers give for this run\n"
    "  --rpc-allow-dir DIR    a folder callers may save into (may repeat)\n"
    "  --print-secret         print the stored secret and end\n"
    "  --help                 show this text and end\n"
    "  --version              show the version and end\n";

}  // namespace

std::optional<int> AnswerProgramInfoOption(int argc, char** argv, std::FILE* out) {
  if (argc < 2 || !argv[1]) return std::nullopt;
  if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
    std::fputs(kUsage, out);
    return 0;
  }
  if (std::strcmp(argv[1], "--version") == 0) {
    std::fprintf(out, "velmora %s\n", VELMORA_VERSION);
    return 0;
  }
  return std::nullopt;
}
