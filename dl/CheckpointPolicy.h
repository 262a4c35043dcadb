// When a transfer flushes its part file and rewrites the record: about
// once a second, so a crash loses about a second of the transfer; but
// forcing data out to a disk slower than the network holds the transfer
// back, so a flush may take at most a fifth of the time since the last
// one (at the speed the disk showed last), and is put off ten seconds at
// the most.
#ifndef VELMORA_DL_CHECKPOINTPOLICY_H
#define VELMORA_DL_CHECKPOINTPOLICY_H

#include <chrono>
#include <cstdint>

struct CheckpointPolicy {
  static constexpr auto kEvery = std::chrono::seconds(1);
  static constexpr auto kAtMost = std::chrono::seconds(10);
  static constexpr double kFlushShare = 0.2;
  // Flushes smaller than this say little about the disk's speed.
  static constexpr int64_t kMeasurableFlush = 16 << 20;
  // What the disk is assumed to take until a flush was measured.
  static constexpr double kFirstFlushBytesPerSecond = 256.0 * (1 << 20);

  static bool Due(std::chrono::steady_clock::duration since, int64_t pendingBytes, double flushBytesPerSecond);
};

#endif
