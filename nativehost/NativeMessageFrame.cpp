#include "nativehost/NativeMessageFrame.h"

#include <algorithm>
#include <cstring>

namespace nativehost {

std::string EncodeFrame(std::string_view message) {
  const auto length = static_cast<std::uint32_t>(message.size());
  std::string frame(kFrameHeaderBytes, '\0');
  std::memcpy(frame.data(), &length, kFrameHeaderBytes);
  frame.append(message);
  return frame;
}

void FrameReader::Feed(std::string_view bytes) {
  while (!bytes.empty()) {
    std::size_t used = 0;
    switch (state_) {
      case State::Header: used = TakeHeader(bytes); break;
      case State::Body: used = TakeBody(bytes); break;
      case State::Skip: used = TakeSkip(bytes); break;
    }
    bytes.remove_prefix(used);
  }
}

std::size_t FrameReader::TakeHeader(std::string_view bytes) {
  const std::size_t used = std::min(bytes.size(), kFrameHeaderBytes - filled_);
  std::memcpy(header_ + filled_, bytes.data(), used);
  filled_ += used;
  if (filled_ < kFrameHeaderBytes) return used;
  std::memcpy(&wanted_, header_, kFrameHeaderBytes);
  filled_ = 0;
  if (wanted_ > kMaxMessageBytes) {
    state_ = State::Skip;
    if (events_.oversized) events_.oversized(wanted_);
  } else if (wanted_ == 0) {
    if (events_.message) events_.message(std::string());
  } else {
    state_ = State::Body;
    body_.clear();
    body_.reserve(std::min<std::size_t>(wanted_, 64 * 1024));
  }
  return used;
}

std::size_t FrameReader::TakeBody(std::string_view bytes) {
  const std::size_t used = std::min<std::size_t>(bytes.size(), wanted_ - body_.size());
  body_.append(bytes.data(), used);
  if (body_.size() == wanted_) {
    state_ = State::Header;
    std::string message;
    message.swap(body_);
    if (events_.message) events_.message(std::move(message));
  }
  return used;
}

std::size_t FrameReader::TakeSkip(std::string_view bytes) {
  const std::size_t used = std::min<std::size_t>(bytes.size(), wanted_);
  wanted_ -= static_cast<std::uint32_t>(used);
  if (wanted_ == 0) state_ = State::Header;
  return used;
}

}  // namespace nativehost
