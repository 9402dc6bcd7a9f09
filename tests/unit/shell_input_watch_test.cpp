// Tests of the closing rules: mouse travel, the pause between password questions, the password switch.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "shell/input_watch.h"

TEST(MouseTravel, ClosesOnlyBeyondFourPixels) {
  const ScreenPoint at{100, 200};
  EXPECT_FALSE(MovedBeyondThreshold(at, at));
  EXPECT_FALSE(MovedBeyondThreshold(at, {103, 201}));  // 3 + 1
  EXPECT_TRUE(MovedBeyondThreshold(at, {103, 202}));   // 3 + 2
  EXPECT_TRUE(MovedBeyondThreshold(at, {95, 200}));    // 5 to the left
  EXPECT_FALSE(MovedBeyondThreshold(at, {96, 200}));
  EXPECT_FALSE(MovedBeyondThreshold(at, {98, 198}));   // 2 up-left diagonally
  EXPECT_TRUE(MovedBeyondThreshold(at, {97, 198}));
}

TEST(MouseTravel, SmallStepsAddUpAgainstTheSameReference) {
  // The reference stays put until the saver closes, so steps of 2 close at the third.
  const ScreenPoint remembered{10, 10};
  ScreenPoint cursor = remembered;
  int closingStep = 0;
  for (int step = 1; step <= 5 && closingStep == 0; ++step) {
    cursor.x += 2;
    if (MovedBeyondThreshold(remembered, cursor)) closingStep = step;
  }
  EXPECT_EQ(3, closingStep);
}

TEST(MouseTravel, ExtremeCoordinatesDoNotOverflow) {
  constexpr int32_t lo = std::numeric_limits<int32_t>::min();
  constexpr int32_t hi = std::numeric_limits<int32_t>::max();
  EXPECT_TRUE(MovedBeyondThreshold({lo, lo}, {hi, hi}));
  EXPECT_TRUE(MovedBeyondThreshold({hi, 0}, {lo, 0}));
  EXPECT_FALSE(MovedBeyondThreshold({lo, hi}, {lo, hi}));
}

TEST(AskInterval, RefusesWithinTwoHundredMilliseconds) {
  EXPECT_FALSE(IsTooSoonToAsk(kNeverAsked, 0));
  EXPECT_FALSE(IsTooSoonToAsk(kNeverAsked, 100));
  EXPECT_TRUE(IsTooSoonToAsk(1000, 1000));
  EXPECT_TRUE(IsTooSoonToAsk(1000, 1199));
  EXPECT_FALSE(IsTooSoonToAsk(1000, 1200));
  EXPECT_FALSE(IsTooSoonToAsk(1000, 50000));
}

TEST(AskInterval, TickCountWrapAround) {
  EXPECT_TRUE(IsTooSoonToAsk(0xFFFFFF00u, 0xFFFFFF00u + 199u));
  EXPECT_TRUE(IsTooSoonToAsk(0xFFFFFFF0u, 100));   // 116 ms across the wrap
  EXPECT_FALSE(IsTooSoonToAsk(0xFFFFFFF0u, 184));  // 200 ms across the wrap
  EXPECT_TRUE(IsTooSoonToAsk(0xFFFFFFFEu, 0));     // the last real tick before the wrap
  // A tick count behind the last ask (it cannot run backwards) is a long time ago.
  EXPECT_FALSE(IsTooSoonToAsk(1000, 999));
}

TEST(PasswordSwitch, NonZeroDataOfAtMostFourBytes) {
  const uint8_t zeros[4] = {0, 0, 0, 0};
  const uint8_t one[4] = {1, 0, 0, 0};
  const uint8_t high[4] = {0, 0, 0, 0x80};
  const uint8_t digitZeroString[2] = {'0', 0};
  const uint8_t five[5] = {1, 1, 1, 1, 1};
  EXPECT_FALSE(IsPasswordSwitchOn(zeros, 4));
  EXPECT_FALSE(IsPasswordSwitchOn(zeros, 0));
  EXPECT_FALSE(IsPasswordSwitchOn(nullptr, 0));
  EXPECT_TRUE(IsPasswordSwitchOn(one, 1));
  EXPECT_TRUE(IsPasswordSwitchOn(high, 4));
  EXPECT_FALSE(IsPasswordSwitchOn(high, 3));  // the non-zero byte lies beyond the data
  EXPECT_TRUE(IsPasswordSwitchOn(digitZeroString, 2));
  EXPECT_FALSE(IsPasswordSwitchOn(five, 5));
}
