// WBodySource: where a body read gets its bytes from — the request's
// receive function and socket, its stop flag, and the pause taken after each
// read.
#ifndef VELMORA_NET_WBODYSOURCE_H
#define VELMORA_NET_WBODYSOURCE_H

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <thread>

#include "net/WSocket.h"

// A reader gives up after this many failed reads in a row.
inline constexpr int kMaxFailedReads = 5;
// The largest block asked of the socket in one read.
inline constexpr int32_t kReceiveBlockSize = 92160;
// Bodies decoded in memory never grow past this.
inline constexpr size_t kMaxInMemoryBody = size_t{1} << 30;

struct WBodySource {
  RecvFunction recv = nullptr;
  int32_t* socket = nullptr;
  const std::atomic<bool>* stop = nullptr;
  int pauseMs = 10;

  int Receive(char* buffer, size_t length) const {
    return recv(socket, buffer, static_cast<int32_t>(length), 0);
  }
  bool Stopped() const { return stop && stop->load(std::memory_order_relaxed); }
  void Pause() const {
    if (pauseMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
  }
};

#endif
