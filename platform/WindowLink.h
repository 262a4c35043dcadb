// Windows of other Velmora processes of the same user. Each process with a
// window listens on a local socket named after its process id in one
// per-user directory (mode 0700): under $XDG_RUNTIME_DIR, or VELMORA_WINDOW_DIR
// when set. Lookups ask every listed process; a socket nobody answers on is
// a leftover of a dead process and is removed.
//
// The client side here uses no Qt and may be called from any thread.
#ifndef VELMORA_PLATFORM_WINDOWLINK_H
#define VELMORA_PLATFORM_WINDOWLINK_H

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/WindowTypes.h"

namespace ui::link {

inline constexpr std::uint32_t kFrameMagic = 0x31574D56;  // "VMW1"
inline constexpr std::uint32_t kMaxPayload = 16u << 20;

enum class FrameKind : std::uint32_t { Find = 1, Post = 2, CopyData = 3 };

struct FrameHeader {
  std::uint32_t magic;
  std::uint32_t kind;
  std::uint32_t length;  // payload bytes after the header
};

struct PostPayload {
  std::uint64_t hwnd;
  std::uint64_t wParam;
  std::int64_t lParam;
  std::uint32_t message;
  std::uint32_t reserved;
};

struct CopyDataPrefix {
  std::uint64_t hwnd;
  std::uint64_t wParam;
  std::uint64_t dwData;
};

struct FindPrefix {
  std::uint32_t anyTitle;
  std::uint32_t titleBytes;  // UTF-16 title, then the UTF-16 class name
};

struct CopyDataReply {
  std::uint64_t delivered;  // 0 when the window is gone
  std::int64_t result;
};

// The per-user directory, created when missing; empty when it cannot be
// made safe (not ours, not a directory).
std::string SocketDirectory();
std::string SocketPath(std::uint32_t pid);

// Top-level window with that title in another process; null when none.
HWND FindRemoteWindow(const char16_t* className, const char16_t* title);
// Queues the message for the window's process without waiting; false when
// the process cannot be reached at once.
bool PostRemote(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// Hands the bytes to the window's process and waits for its answer;
// nullopt when the window or its process is gone or does not answer in time.
std::optional<LRESULT> SendCopyDataRemote(HWND hwnd, WPARAM wParam, const COPYDATASTRUCT& data,
                                          int timeoutMs = 10000);

}  // namespace ui::link

#endif
