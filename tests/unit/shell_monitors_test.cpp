// Tests of the choice of monitors that get a blanking window.
#include <gtest/gtest.h>

#include <vector>

#include "shell/monitors.h"

// Found by GoogleTest through the argument's namespace, so outside an unnamed one.
static void PrintTo(const ScreenRect& r, std::ostream* out) {
  *out << "(" << r.left << "," << r.top << ")-(" << r.right << "," << r.bottom << ")";
}

TEST(BlankingRects, OneMonitorNeedsNone) {
  EXPECT_TRUE(ChooseBlankingRects({{0, 0, 1920, 1080}}, {0, 0, 1920, 1080}).empty());
  EXPECT_TRUE(ChooseBlankingRects({}, {0, 0, 1920, 1080}).empty());
}

TEST(BlankingRects, EveryOtherMonitorOnceWhereverItLies) {
  const ScreenRect primary{0, 0, 1920, 1080};
  const ScreenRect left{-1280, -200, 0, 824};   // left of and above the primary
  const ScreenRect above{0, -768, 1024, 0};
  const ScreenRect right{1920, 100, 2720, 700};
  const std::vector<ScreenRect> monitors = {
      left, primary, above,
      primary,          // a mirror of the primary
      {0, 0, 1024, 768},  // a mirror showing less of it
      right, right,     // two monitors mirroring each other
      {3000, 0, 3000, 600},    // empty
      {1000, 1000, 1500, 1500},  // overlapping the primary: covered whole
  };
  EXPECT_EQ((std::vector<ScreenRect>{left, above, right, {1000, 1000, 1500, 1500}}),
            ChooseBlankingRects(monitors, primary));
}

TEST(BlankingRects, AFullScreenWindowTakesTheMonitorUnderThePointer) {
  const ScreenRect whole{0, 0, 2944, 1080}, left{-1024, 0, 0, 768}, primary{0, 0, 1920, 1080};
  EXPECT_EQ(ChooseMonitorAt({left, primary}, 1919, 1079, whole), primary);
  EXPECT_EQ(ChooseMonitorAt({left, primary}, -1, 0, whole), left);
  EXPECT_EQ(ChooseMonitorAt({{5, 5, 5, 9}, primary}, 1920, 40, whole), primary) << "off every monitor: the first";
  EXPECT_EQ(ChooseMonitorAt({}, 10, 10, whole), whole);
}

// A saver window that kept its size while its monitor grew still has that monitor to itself.
TEST(BlankingRects, NeverTheSaversOwnMonitorWhateverItsSize) {
  const ScreenRect grown{0, 0, 1920, 1080}, right{1920, 0, 3200, 1024};
  EXPECT_EQ(std::vector{right}, ChooseBlankingRects({grown, right, grown}, {0, 0, 1024, 768}));
  EXPECT_EQ(std::vector{right}, ChooseBlankingRects({right, grown}, {0, 0, 2000, 1080}));
  EXPECT_EQ(std::vector{grown}, ChooseBlankingRects({grown, right}, {1920, 0, 2500, 600}));
}
