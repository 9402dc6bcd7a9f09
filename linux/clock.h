// The monotonic clock the Linux program's loops and its benchmarks pace their ticks by.
#pragma once

#include <cstdint>
#include <ctime>

// Nanoseconds since an arbitrary start that never jumps with the wall clock.
inline int64_t ReadMonotonicNanoseconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return int64_t{now.tv_sec} * 1'000'000'000 + now.tv_nsec;
}
