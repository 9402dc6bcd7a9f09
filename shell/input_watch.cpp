// The rules that decide when input ends the saver: mouse travel and the pause between password questions.
#include "shell/input_watch.h"

namespace {

int64_t Distance(int32_t a, int32_t b) {
  // 64 bits: screen coordinates far apart must not overflow.
  const int64_t d = static_cast<int64_t>(a) - b;
  return d < 0 ? -d : d;
}

}  // namespace

bool MovedBeyondThreshold(ScreenPoint remembered, ScreenPoint now) {
  return Distance(now.x, remembered.x) + Distance(now.y, remembered.y) > MouseMoveThreshold;
}

bool IsTooSoonToAsk(uint32_t lastAskTime, uint32_t now) {
  // Unsigned subtraction gives the elapsed time across the tick count's wrap-around.
  return lastAskTime != kNeverAsked && now - lastAskTime < AskInterval;
}

bool IsPasswordSwitchOn(const uint8_t* data, uint32_t size) {
  if (size > 4 || data == nullptr) return false;
  for (uint32_t i = 0; i < size; ++i) {
    if (data[i] != 0) return true;
  }
  return false;
}
