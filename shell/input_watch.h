// The rules that decide when input ends the saver: mouse travel and the pause between password questions.
#pragma once

#include <cstdint>

// The mouse closes the saver once its travel from the remembered position,
// measured as |dx| + |dy| in pixels, exceeds this.
constexpr int32_t MouseMoveThreshold = 4;

// No new password question starts until this many milliseconds after the last one ended.
constexpr uint32_t AskInterval = 200;

// The last-ask time before any question was asked.
constexpr uint32_t kNeverAsked = 0xFFFFFFFFu;

struct ScreenPoint {
  int32_t x;
  int32_t y;
};

// True when the cursor at `now` has travelled more than MouseMoveThreshold
// pixels from `remembered` (screen coordinates). Safe for any pair of points.
bool MovedBeyondThreshold(ScreenPoint remembered, ScreenPoint now);

// True when a password question ended less than AskInterval milliseconds before
// `now`. Both are tick counts, which wrap around every 2^32 ms; kNeverAsked as
// `lastAskTime` means no question was asked yet.
bool IsTooSoonToAsk(uint32_t lastAskTime, uint32_t now);

// Whether the desktop's password switch is on, from the registry value's data:
// `size` bytes at `data`. Data of at most 4 bytes that is not all zero means on,
// whatever its type; longer data (only its size is looked at) means off.
bool IsPasswordSwitchOn(const uint8_t* data, uint32_t size);
