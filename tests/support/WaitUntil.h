#pragma once

#include <chrono>
#include <functional>
#include <thread>

namespace skyrelle::test_support {

// Asks Condition again and again until it holds or Timeout has passed; its last answer.
inline bool WaitUntil(const std::function<bool()>& Condition, std::chrono::milliseconds Timeout) {
  const auto deadline = std::chrono::steady_clock::now() + Timeout;
  while (!Condition()) {
    if (std::chrono::steady_clock::now() >= deadline) return Condition();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

}  // namespace skyrelle::test_support
