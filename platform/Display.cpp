#include "platform/Display.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <array>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace platform {
namespace {

std::string_view EnvValue(const char* name) {
  const char* value = std::getenv(name);
  return value ? std::string_view(value) : std::string_view();
}

// The display number of a local display (":0", ":1.0", "unix:2"); nothing
// for a display on another host, which is not ours to probe.
std::optional<std::string> LocalDisplayNumber(std::string_view display) {
  const std::size_t colon = display.rfind(':');
  if (colon == std::string_view::npos) return std::nullopt;
  const std::string_view host = display.substr(0, colon);
  if (!host.empty() && host != "unix") return std::nullopt;
  std::string_view number = display.substr(colon + 1);
  number = number.substr(0, number.find('.'));
  if (number.empty() || number.find_first_not_of("0123456789") != std::string_view::npos) return std::nullopt;
  return std::string(number);
}

bool ConnectsTo(const std::string& path, bool abstractName) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::size_t offset = abstractName ? 1 : 0;
  if (path.size() + offset >= sizeof address.sun_path) return false;
  std::memcpy(address.sun_path + offset, path.data(), path.size());
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + offset + path.size());
  const bool connected = ::connect(fd, reinterpret_cast<sockaddr*>(&address), length) == 0;
  ::close(fd);
  return connected;
}

bool ScreenlessPlatform(std::string_view platform) {
  constexpr std::array<std::string_view, 6> kScreenless = {"offscreen", "minimal", "vnc", "linuxfb", "eglfs", "vkkhrdisplay"};
  for (std::string_view name : kScreenless)
    if (platform.substr(0, name.size()) == name) return true;
  return false;
}

}  // namespace

std::optional<std::string> MissingDisplayReason() {
  const std::string_view platform = EnvValue("QT_QPA_PLATFORM");
  if (ScreenlessPlatform(platform)) return std::nullopt;
  const std::string_view display = EnvValue("DISPLAY");
  if (display.empty()) {
    return EnvValue("WAYLAND_DISPLAY").empty() ? "no display (DISPLAY is not set)"
                                               : "no X display (DISPLAY is not set; Wayland needs its X compatibility)";
  }
  const auto number = LocalDisplayNumber(display);
  if (!number) return std::nullopt;
  const std::string socket = "/tmp/.X11-unix/X" + *number;
  if (ConnectsTo(socket, true) || ConnectsTo(socket, false)) return std::nullopt;
  return "the X display " + std::string(display) + " does not answer";
}

}  // namespace platform
