// Waiting in tests for a condition another thread or process brings about,
// instead of sleeping for a time that is long enough on most machines.
#ifndef VELMORA_TESTS_SUPPORT_EVENTUALLY_H
#define VELMORA_TESTS_SUPPORT_EVENTUALLY_H

#include <chrono>
#include <thread>

// Polls until `predicate` holds (true) or `ms` pass (its last answer).
template <class Predicate>
bool Eventually(Predicate predicate, int ms = 5000) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < deadline) {
    if (predicate()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return predicate();
}

#endif
