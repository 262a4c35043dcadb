// A socket pair one thread writes a byte to so that another thread waiting
// on sockets (WaitAnySocketMs) wakes at once instead of at its next timeout.
// Raise is safe from any thread and from a signal handler.
#ifndef VELMORA_PLATFORM_WAKESIGNAL_H
#define VELMORA_PLATFORM_WAKESIGNAL_H

namespace platform {

class WakeSignal {
 public:
  WakeSignal();
  ~WakeSignal();
  WakeSignal(const WakeSignal&) = delete;
  WakeSignal& operator=(const WakeSignal&) = delete;

  bool valid() const { return readEnd >= 0; }
  // The handle to wait on for readability.
  int handle() const { return readEnd; }
  void Raise();
  // Empties what Raise left, so the next wait blocks again.
  void Clear();

 private:
  int readEnd = -1;
  int writeEnd = -1;
};

}  // namespace platform

#endif
