// Tests of the random source and the molecule motion.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "animation/molecules.h"

namespace {

// Finds a seed whose next draw is `wanted`, so a test can force a rare draw.
uint32_t SeedGivingDraw(int32_t wanted) {
  for (uint32_t seed = 0;; ++seed) {
    RandomSource probe;
    SeedRandom(probe, seed);
    if (NextRandom(probe) == wanted) return seed;
  }
}

struct SoundRecorder {
  std::vector<int32_t> sounds;
  static void Play(void* context, int32_t sound) {
    static_cast<SoundRecorder*>(context)->sounds.push_back(sound);
  }
};

AnimationState StateWithOne(const Molecule& m, int32_t width = 640, int32_t height = 480) {
  AnimationState state;
  state.width = width;
  state.height = height;
  state.settings.moleculeCount = 1;
  state.molecules.records.reset(new Molecule[1]{m});
  state.molecules.count = 1;
  return state;
}

}  // namespace

TEST(RandomSource, MatchesTheRuntimeGenerator) {
  RandomSource source;  // unseeded state is 1
  const int32_t expected[] = {41, 18467, 6334, 26500, 19169};
  for (int32_t e : expected) EXPECT_EQ(e, NextRandom(source));
  SeedRandom(source, 1);
  EXPECT_EQ(41, NextRandom(source)) << "seeding with 1 restarts the sequence";
}

TEST(RandomSource, ScaledRandomCoversZeroToNInclusive) {
  struct Case { int32_t draw, n, expected; };
  const Case cases[] = {{0, 4, 0},     {8191, 4, 0},  {8192, 4, 1},     {24575, 4, 2},
                        {32766, 4, 3}, {32767, 4, 4}, {32767, 32, 32},  {32766, 32, 31},
                        {32767, 0, 0}, {16384, 32000, 16000}, {32767, 1 << 24, 1 << 24}};
  for (const Case& c : cases) {
    RandomSource source;
    SeedRandom(source, SeedGivingDraw(c.draw));
    EXPECT_EQ(c.expected, ScaledRandom(source, c.n)) << "draw " << c.draw << " n " << c.n;
  }
}

TEST(SetUpMolecules, DrawsInTheFixedOrder) {
  AnimationState state;
  state.width = 640;
  state.height = 480;
  state.settings.moleculeCount = 3;
  SeedRandom(state.random, 12345);
  SetUpMolecules(state);
  ASSERT_EQ(3, state.molecules.count);

  RandomSource replay;
  SeedRandom(replay, 12345);
  for (const Molecule& m : state.molecules) {
    EXPECT_EQ(ScaledRandom(replay, 32), m.frame);
    EXPECT_EQ(ScaledRandom(replay, 2), m.spin);
    EXPECT_EQ(ScaledRandom(replay, 640) * 16, m.x);
    EXPECT_EQ(ScaledRandom(replay, 480) * 16, m.y);
    int32_t vx, vy;
    do {
      vx = (ScaledRandom(replay, 4) - 2) * 32;
      vy = (ScaledRandom(replay, 4) - 2) * 32;
    } while (vx == 0 || vy == 0);
    EXPECT_EQ(vx, m.vx);
    EXPECT_EQ(vy, m.vy);
  }
  EXPECT_EQ(replay.state, state.random.state) << "no draw more, no draw fewer";
}

TEST(SetUpMolecules, VelocitiesAreNonZeroAndFromTheAllowedSet) {
  AnimationState state;
  state.width = 100;
  state.height = 100;
  state.settings.moleculeCount = 64;
  bool sawRare64 = false;
  for (uint32_t seed = 0; seed < 300; ++seed) {
    SeedRandom(state.random, seed);
    SetUpMolecules(state);
    ASSERT_EQ(64, state.molecules.count);
    for (const Molecule& m : state.molecules) {
      for (int32_t v : {m.vx, m.vy}) {
        EXPECT_TRUE(v == -64 || v == -32 || v == 32 || v == 64) << v;
        sawRare64 |= v == 64;
      }
      EXPECT_GE(m.x, 0);
      EXPECT_LE(m.x, 1600);
      EXPECT_LE(m.frame, 32);
      EXPECT_LE(m.spin, 2);
    }
  }
  EXPECT_TRUE(sawRare64) << "the draw 32767 gives a velocity of 64";
}

TEST(SetUpMolecules, CountOutsideTheBoundsGivesAnEmptyTable) {
  for (int32_t count : {0, -1, 65}) {
    AnimationState state;
    state.width = state.height = 10;
    state.settings.moleculeCount = count;
    SetUpMolecules(state);
    EXPECT_EQ(0, state.molecules.count) << count;
    StepMolecules(state, nullptr, nullptr);  // moves nothing, must not crash
  }
}

TEST(StepMolecules, RareStartingFrameWrapsBothWays) {
  AnimationState forward = StateWithOne({32, 32, 800, 800, 32, 2});
  StepMolecules(forward, nullptr, nullptr);
  EXPECT_EQ(0, forward.molecules.records[0].frame) << "frame 32 then forward";

  AnimationState backward = StateWithOne({32, 32, 800, 800, 32, 0});
  StepMolecules(backward, nullptr, nullptr);
  EXPECT_EQ(31, backward.molecules.records[0].frame) << "frame 32 then backward";

  AnimationState zero = StateWithOne({32, 32, 800, 800, 0, 0});
  StepMolecules(zero, nullptr, nullptr);
  EXPECT_EQ(31, zero.molecules.records[0].frame);
}

TEST(StepMolecules, LeftEdgeBounceFlipsSpinAndPlaysOnce) {
  AnimationState state = StateWithOne({-32, 32, 16, 800, 5, 2});
  state.settings.soundSwitch = 1;
  SoundRecorder rec;
  StepMolecules(state, SoundRecorder::Play, &rec);
  const Molecule& m = state.molecules.records[0];
  EXPECT_EQ(0, m.x);
  EXPECT_EQ(32, m.vx);
  EXPECT_EQ(0, m.spin) << "spin 2 counts as forward and flips to 0";
  EXPECT_EQ(4, m.frame) << "turning backward after the bounce";
  EXPECT_EQ(std::vector<int32_t>{kBounceSound}, rec.sounds);
}

TEST(StepMolecules, PositionExactlyOnAnEdgeIsNoBounce) {
  AnimationState state = StateWithOne({-32, 32, 32, 16 * 480 - 32, 5, 1});
  state.settings.soundSwitch = 1;
  SoundRecorder rec;
  StepMolecules(state, SoundRecorder::Play, &rec);
  const Molecule& m = state.molecules.records[0];
  EXPECT_EQ(0, m.x);
  EXPECT_EQ(16 * 480, m.y);
  EXPECT_EQ(-32, m.vx);
  EXPECT_EQ(32, m.vy);
  EXPECT_TRUE(rec.sounds.empty());
}

TEST(StepMolecules, CornerHitKeepsSpinAndPlaysTwice) {
  AnimationState state = StateWithOne({64, 64, 16 * 640 - 10, 16 * 480 - 10, 7, 1});
  state.settings.soundSwitch = 3;
  SoundRecorder rec;
  StepMolecules(state, SoundRecorder::Play, &rec);
  const Molecule& m = state.molecules.records[0];
  EXPECT_EQ(16 * 640, m.x);
  EXPECT_EQ(16 * 480, m.y);
  EXPECT_EQ(-64, m.vx);
  EXPECT_EQ(-64, m.vy);
  EXPECT_EQ(1, m.spin);
  EXPECT_EQ(8, m.frame);
  EXPECT_EQ((std::vector<int32_t>{kBounceSound, kBounceSound}), rec.sounds);
}

TEST(StepMolecules, ZeroWidthWindowBouncesEveryStep) {
  AnimationState state = StateWithOne({32, 32, 0, 100, 0, 1}, 0, 480);
  for (int step = 0; step < 6; ++step) {
    const int32_t before = state.molecules.records[0].vx;
    StepMolecules(state, nullptr, nullptr);
    EXPECT_EQ(0, state.molecules.records[0].x);
    EXPECT_EQ(-before, state.molecules.records[0].vx) << "step " << step;
  }
}

TEST(StepMolecules, SoundOffLeavesCounterDrawsAndSilence) {
  for (int32_t soundSwitch : {0, -1}) {
    AnimationState state = StateWithOne({-64, -64, 0, 0, 0, 1});
    state.settings.soundSwitch = soundSwitch;
    state.settings.soundFrequency = 100;
    state.ambientTicks = 17;
    SeedRandom(state.random, 99);
    SoundRecorder rec;
    for (int i = 0; i < 50; ++i) StepMolecules(state, SoundRecorder::Play, &rec);
    EXPECT_EQ(17, state.ambientTicks);
    EXPECT_EQ(99u, state.random.state) << "no draw made";
    EXPECT_TRUE(rec.sounds.empty());
  }
}

TEST(StepMolecules, AmbientCheckEvery21stTick) {
  AnimationState state = StateWithOne({32, 32, 800, 800, 0, 1});
  state.settings.soundSwitch = 1;
  state.settings.soundFrequency = 100;
  SeedRandom(state.random, 7);
  SoundRecorder rec;
  for (int tick = 1; tick <= 20; ++tick) StepMolecules(state, SoundRecorder::Play, &rec);
  EXPECT_EQ(20, state.ambientTicks);
  EXPECT_TRUE(rec.sounds.empty());
  EXPECT_EQ(7u, state.random.state);
  StepMolecules(state, SoundRecorder::Play, &rec);
  EXPECT_EQ(0, state.ambientTicks);
  EXPECT_NE(7u, state.random.state) << "the 21st tick draws";
  EXPECT_EQ(std::vector<int32_t>{kAmbientSound}, rec.sounds) << "frequency 100 almost always plays";
}

TEST(StepMolecules, AmbientThresholdIs320PerPercent) {
  struct Case { int32_t draw, frequency; bool plays; };
  // ScaledRandom(32000): draw 327 gives 319, 328 gives 320; 32767 gives 32000.
  const Case cases[] = {{327, 1, true},     {328, 1, false},    {32767, 100, false},
                        {32766, 100, true}, {0, 0, false},      {0, -5, false},
                        {32767, INT32_MAX, true}};
  for (const Case& c : cases) {
    AnimationState state = StateWithOne({32, 32, 800, 800, 0, 1});
    state.settings.soundSwitch = 1;
    state.settings.soundFrequency = c.frequency;
    state.ambientTicks = 20;
    SeedRandom(state.random, SeedGivingDraw(c.draw));
    SoundRecorder rec;
    StepMolecules(state, SoundRecorder::Play, &rec);
    EXPECT_EQ(c.plays, !rec.sounds.empty()) << "draw " << c.draw << " frequency " << c.frequency;
  }
}

TEST(StepMolecules, TwoStatesSideBySideMatchOneAlone) {
  auto make = [] {
    AnimationState s;
    s.width = 320;
    s.height = 200;
    s.settings.moleculeCount = 5;
    s.settings.soundSwitch = 1;
    SeedRandom(s.random, 4242);
    SetUpMolecules(s);
    return s;
  };
  AnimationState a = make(), b = make(), alone = make();
  for (int i = 0; i < 500; ++i) {
    StepMolecules(a, nullptr, nullptr);
    StepMolecules(b, nullptr, nullptr);
  }
  for (int i = 0; i < 500; ++i) StepMolecules(alone, nullptr, nullptr);
  for (int i = 0; i < 5; ++i) {
    const Molecule &x = a.molecules.records[i], &y = alone.molecules.records[i];
    EXPECT_EQ(y.x, x.x);
    EXPECT_EQ(y.y, x.y);
    EXPECT_EQ(y.frame, x.frame);
    EXPECT_GE(x.x, 0);
    EXPECT_LE(x.x, 320 * 16);
    EXPECT_GE(x.y, 0);
    EXPECT_LE(x.y, 200 * 16);
  }
}

TEST(StepMolecules, AcrossMonitorsEveryCentreStaysOnAMonitorAndMoleculesCross) {
  // Touching monitors of different sizes, an offset, a gap, an L shape, negative corners.
  const std::vector<std::vector<ScreenRect>> layouts = {
      {{0, 0, 1024, 768}, {1024, 0, 1824, 600}},
      {{0, 0, 1024, 768}, {1024, 300, 1824, 900}, {-640, -200, 0, 280}},
      {{0, 0, 800, 600}, {900, 0, 1700, 600}},
      {{0, 0, 640, 480}, {0, 480, 1280, 960}},
  };
  for (const auto& layout : layouts) {
    AnimationState state;
    int32_t left = 0, top = 0;
    for (const ScreenRect& m : layout) left = std::min(left, m.left), top = std::min(top, m.top);
    for (const ScreenRect& m : layout) {
      state.regions.push_back({m.left - left, m.top - top, m.right - left, m.bottom - top});
      state.width = std::max(state.width, m.right - left), state.height = std::max(state.height, m.bottom - top);
    }
    state.settings.moleculeCount = 64;
    SeedRandom(state.random, 11);
    SetUpMolecules(state);
    // One molecule about to cross, downwards, where the lower of the first two monitors ends.
    Molecule& aimed = *state.molecules.begin();
    const ScreenRect &a = state.regions[0], &b = state.regions[1];
    aimed.x = a.right * 16 - 8, aimed.y = std::min(a.bottom, b.bottom) * 16 - 16, aimed.vx = 32, aimed.vy = 32;
    auto monitorOf = [&](const Molecule& m) {
      for (size_t k = 0; k < state.regions.size(); ++k) {
        const ScreenRect& r = state.regions[k];
        if (m.x >= r.left * 16 && m.x <= r.right * 16 && m.y >= r.top * 16 && m.y <= r.bottom * 16) return int(k);
      }
      return -1;
    };
    std::vector<int> last(64);
    int crossings = 0, offMonitor = 0;
    for (int32_t tick = 0; tick < 3000; ++tick) {
      StepMolecules(state, nullptr, nullptr);
      int i = 0;
      for (const Molecule& m : state.molecules) {
        const int now = monitorOf(m);
        offMonitor += now < 0;
        crossings += tick > 0 && now >= 0 && last[i] >= 0 && now != last[i];
        last[i++] = now;
        ASSERT_TRUE(std::abs(m.vx) == 32 || std::abs(m.vx) == 64) << "speeds never change";
      }
    }
    EXPECT_EQ(0, offMonitor) << "layout of " << layout.size() << " monitors, first " << layout[0].right;
    const bool touching = layout.size() > 1 && layout[1].left != 900;
    EXPECT_EQ(touching, crossings > 0) << "crossings: " << crossings;
  }
}
