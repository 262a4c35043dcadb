// One conversation with the browser: frames in, one answer frame out for
// each frame. A bad frame gets an error answer and the conversation goes
// on; only the end of the input ends it.
//
// Answers: {"status":"ok","version":V} to a ping, {"status":"ok","id":ID}
// when a link was handed over, {"status":"error","error":TEXT} otherwise.
#ifndef VELMORA_NATIVEHOST_HOSTSESSION_H
#define VELMORA_NATIVEHOST_HOSTSESSION_H

#include <functional>
#include <string>
#include <string_view>

#include "nativehost/LinkHandoff.h"
#include "nativehost/NativeMessageFrame.h"

namespace nativehost {

class HostSession {
 public:
  // `write` takes one whole frame and returns false when the browser is gone.
  using FrameWriter = std::function<bool(const std::string& frame)>;
  using IdSource = std::function<std::string()>;

  HostSession(LinkReceiver& receiver, FrameWriter write, IdSource newId = {});
  // The frame reader calls back into this object.
  HostSession(const HostSession&) = delete;
  HostSession& operator=(const HostSession&) = delete;

  // Takes input bytes; false once an answer could not be written.
  bool Feed(std::string_view bytes);
  // True when the input so far ended between frames (a clean end).
  bool AtFrameBoundary() const { return reader_.AtFrameBoundary(); }

  std::string Answer(std::string_view message);

 private:
  void Reply(const std::string& json);

  LinkReceiver& receiver_;
  FrameWriter write_;
  IdSource newId_;
  FrameReader reader_;
  bool writable_ = true;
};

// 16 random hexadecimal digits.
std::string RandomLinkId();

}  // namespace nativehost

#endif
