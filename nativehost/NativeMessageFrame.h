// Browser native-messaging frames: a 4-byte length in the machine's own byte
// order, then that many bytes of UTF-8 JSON. The reader is incremental, so a
// frame may arrive in any number of pieces, and it never holds more than one
// frame's worth of input: a frame announced above the cap is skipped unread.
#ifndef VELMORA_NATIVEHOST_NATIVEMESSAGEFRAME_H
#define VELMORA_NATIVEHOST_NATIVEMESSAGEFRAME_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace nativehost {

inline constexpr std::size_t kFrameHeaderBytes = 4;
// Largest message taken from the browser; browsers send far less.
inline constexpr std::uint32_t kMaxMessageBytes = 1u << 20;

// Header and body of one outgoing frame.
std::string EncodeFrame(std::string_view message);

class FrameReader {
 public:
  struct Events {
    std::function<void(std::string message)> message;
    // A frame whose announced length exceeds the cap; its body is discarded.
    std::function<void(std::uint32_t announced)> oversized;
  };

  explicit FrameReader(Events events) : events_(std::move(events)) {}

  void Feed(std::string_view bytes);
  // True when the input so far ends exactly between two frames.
  bool AtFrameBoundary() const { return state_ == State::Header && filled_ == 0; }

 private:
  enum class State {
    Header,  // collecting the 4 length bytes
    Body,    // collecting `wanted_` bytes into body_
    Skip,    // dropping `wanted_` bytes of an oversized frame
  };

  std::size_t TakeHeader(std::string_view bytes);
  std::size_t TakeBody(std::string_view bytes);
  std::size_t TakeSkip(std::string_view bytes);

  Events events_;
  State state_ = State::Header;
  unsigned char header_[kFrameHeaderBytes] = {};
  std::size_t filled_ = 0;  // header bytes or body bytes held so far
  std::uint32_t wanted_ = 0;
  std::string body_;
};

}  // namespace nativehost

#endif
