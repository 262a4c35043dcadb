// velmora-send [--title T] (--copydata TEXT | --post MSG WPARAM LPARAM)
//
// Reaches a Velmora window of this user by its title (default "Velmora") from
// browser integrations and scripts. --copydata sends TEXT (UTF-8, with a
// terminating zero byte) as WM_COPYDATA and prints the window's answer;
// --post posts the message without waiting. Exit status: 0 delivered,
// 1 no such window, 2 bad arguments, 3 delivery failed.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#include "platform/Utf8Codec.h"
#include "platform/WindowLink.h"

namespace {

struct Options {
  std::string title = "Velmora";
  std::optional<std::string> copyData;
  bool post = false;
  unsigned long long message = 0;
  unsigned long long wParam = 0;
  long long lParam = 0;
};

int Usage(const char* why) {
  std::fprintf(stderr, "velmora-send: %s\nusage: velmora-send [--title T] (--copydata TEXT | --post MSG WPARAM LPARAM)\n",
               why);
  return 2;
}

// Decimal or 0x-prefixed hexadecimal, nothing else after it.
template <typename T, typename Parse>
bool ParseNumber(const char* text, T& out, Parse parse) {
  errno = 0;
  char* end = nullptr;
  out = parse(text, &end, 0);
  return errno == 0 && end != text && *end == '\0';
}

std::optional<Options> ParseArguments(int argc, char** argv, const char** error) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--title" && i + 1 < argc) {
      options.title = argv[++i];
    } else if (arg == "--copydata" && i + 1 < argc) {
      options.copyData = argv[++i];
    } else if (arg == "--post" && i + 3 < argc) {
      options.post = true;
      if (!ParseNumber(argv[i + 1], options.message, std::strtoull) ||
          !ParseNumber(argv[i + 2], options.wParam, std::strtoull) ||
          !ParseNumber(argv[i + 3], options.lParam, std::strtoll) || options.message > 0xFFFFFFFFull) {
        *error = "MSG, WPARAM and LPARAM must be numbers";
        return std::nullopt;
      }
      i += 3;
    } else {
      *error = "unknown or incomplete argument";
      return std::nullopt;
    }
  }
  if (options.post == options.copyData.has_value()) {
    *error = "give exactly one of --copydata and --post";
    return std::nullopt;
  }
  return options;
}

}  // namespace

int main(int argc, char** argv) {
  const char* error = "";
  const std::optional<Options> options = ParseArguments(argc, argv, &error);
  if (!options) return Usage(error);

  std::u16string title;
  platform::AppendUtf8AsUtf16(options->title, title);
  HWND target = ui::link::FindRemoteWindow(nullptr, title.c_str());
  if (!target) {
    std::fprintf(stderr, "velmora-send: no window titled \"%s\"\n", options->title.c_str());
    return 1;
  }
  if (options->post) {
    const bool sent = ui::link::PostRemote(target, static_cast<UINT>(options->message),
                                           static_cast<WPARAM>(options->wParam), static_cast<LPARAM>(options->lParam));
    return sent ? 0 : 3;
  }
  std::string bytes = *options->copyData;
  bytes.push_back('\0');
  COPYDATASTRUCT data;
  data.cbData = static_cast<DWORD>(bytes.size());
  data.lpData = bytes.data();
  const std::optional<LRESULT> answer = ui::link::SendCopyDataRemote(target, 0, data);
  if (!answer) {
    std::fprintf(stderr, "velmora-send: the window did not take the data\n");
    return 3;
  }
  std::printf("%lld\n", static_cast<long long>(*answer));
  return 0;
}
