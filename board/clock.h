#pragma once
// The engine's clock: milliseconds on a monotonic wall clock, counted from the first call.

#include <chrono>
#include <cstdint>

inline int32_t ProcessClockMs() {
  using namespace std::chrono;
  static const steady_clock::time_point start = steady_clock::now();
  return static_cast<int32_t>(duration_cast<milliseconds>(steady_clock::now() - start).count());
}
