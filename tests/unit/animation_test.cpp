// Tests of the animation's set-up and tick over the sprite scene, and of the
// headless view that saver-render shows them in.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "animation/animation.h"
#include "animation/desktop.h"
#include "animation/headless_view.h"
#include "sprites/present_scale.h"

namespace {

constexpr int kSheetHeight = kSpriteSide * kFrameCount;

// A sheet in the engine's packed form whose frame k is a 20 x 20 square of index
// 11 + k on the transparent index, so the view's colour tells which frame it shows.
struct TestSheet {
  std::vector<uint8_t> dib = std::vector<uint8_t>(DIB_PIXEL_OFFSET + kSpriteSide * kSheetHeight, 10);

  TestSheet() {
    DibInfoHeader h;
    h.biSize = 40;
    h.biWidth = kSpriteSide;
    h.biHeight = kSheetHeight;
    h.biPlanes = 1;
    h.biBitCount = 8;
    StoreInfoHeader(dib.data(), h);
    for (int i = 0; i < 256; ++i) {
      uint8_t* entry = dib.data() + 40 + 4 * i;
      entry[0] = 200, entry[1] = 100, entry[2] = static_cast<uint8_t>(i), entry[3] = 0;  // blue, green, red
    }
    for (int k = 0; k < kFrameCount; ++k) {
      for (int y = 22; y < 42; ++y) {
        const int storedRow = kSheetHeight - 1 - (k * kSpriteSide + y);
        std::memset(dib.data() + DIB_PIXEL_OFFSET + storedRow * kSpriteSide + 22, 11 + k, 20);
      }
    }
  }

  static ByteView Find(void* context, const char* name) {
    const auto* sheet = static_cast<TestSheet*>(context);
    if (std::strcmp(name, "SPPAT_R0") != 0) return {};
    return {sheet->dib.data(), sheet->dib.size()};
  }

  ScenePlatform Platform() {
    ScenePlatform p;
    p.bitmaps.context = this;
    p.bitmaps.findBuiltIn = Find;
    return p;
  }
};

// A window of its own: a desktop of one monitor, as every edge runs it.
struct HeadlessRun {
  Desktop desktop;
  AnimationState& state;
  SpriteScene& scene;
  HeadlessView view;

  static AnimationState& SetUp(Desktop& desktop, TestSheet& sheet, uint32_t seed, int32_t width, int32_t height,
                               int32_t count, int32_t scale) {
    PlanDesktop(desktop, MonitorChoice::Main, {{0, 0, width, height}});
    desktop.views[0]->scale = scale;
    SaverSettings settings;
    settings.moleculeCount = count;
    const ScenePlatform platform = sheet.Platform();
    SetUpDesktop(desktop, settings, seed, &platform);
    return *desktop.views[0]->state;
  }
  HeadlessRun(TestSheet& sheet, uint32_t seed, int32_t width, int32_t height, int32_t count, int32_t scale = 1)
      : state(SetUp(desktop, sheet, seed, width, height, count, scale)), scene(desktop.views[0]->scene) {
    ResetHeadlessView(view, width, height);
  }
  void Tick(PlaySoundFn play = nullptr, void* context = nullptr) {
    StepDesktop(desktop, play, context);
    PresentDesktop(desktop, HeadlessSink(view));
  }
  const uint8_t* ViewAt(int32_t x, int32_t y) const { return &view.rgb[(size_t(y) * view.width + x) * 3]; }
};

TEST(AnimationSetUp, SpritesPatternsAndTheOrderOfDraws) {
  TestSheet sheet;
  HeadlessRun run(sheet, 12345, 640, 480, 5);
  const SpriteScene& scene = run.scene;
  ASSERT_EQ(scene.spriteCount, 5);
  ASSERT_EQ(scene.patternCount, 32);
  ASSERT_EQ(scene.patternImageCount, 1);
  EXPECT_EQ(scene.width, 640);
  EXPECT_EQ(scene.height, 480);
  for (int k = 0; k < 32; ++k) {
    EXPECT_EQ(scene.patterns[k].image, &scene.patternImages[0]);
    EXPECT_EQ(scene.patterns[k].hotspotX, 32);
    EXPECT_EQ(scene.patterns[k].hotspotY, 32 + 64 * k);
  }
  // The first five draws pick the sprites' patterns (32, the rare top draw,
  // selects pattern 0); the molecules draw after them.
  RandomSource replay;
  SeedRandom(replay, 12345);
  for (int i = 0; i < 5; ++i) {
    const Sprite& s = scene.sprites[i];
    int32_t drawn = ScaledRandom(replay, 32);
    if (drawn == 32) drawn = 0;
    EXPECT_EQ(s.pattern, &scene.patterns[drawn]) << "sprite " << i;
    EXPECT_EQ(s.width, 64);
    EXPECT_EQ(s.height, 64);
    EXPECT_EQ(s.left, 320 - 32);
    EXPECT_EQ(s.top, 240 - 32);
    EXPECT_EQ(s.visible, 1);
  }
  AnimationState expected;
  expected.width = 640, expected.height = 480, expected.settings.moleculeCount = 5;
  expected.random = replay;
  SetUpMolecules(expected);
  ASSERT_EQ(run.state.molecules.count, 5);
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(std::memcmp(&run.state.molecules.records[i], &expected.molecules.records[i], sizeof(Molecule)), 0)
        << "molecule " << i;
  }
}

TEST(AnimationTick, EachSpriteShowsItsMoleculesFrameAtItsCentre) {
  TestSheet sheet;
  HeadlessRun run(sheet, 99, 800, 600, 8);
  for (int tick = 0; tick < 40; ++tick) {
    run.Tick();
    for (int i = 0; i < 8; ++i) {
      const Molecule& m = run.state.molecules.records[i];
      const Sprite& s = run.scene.sprites[i];
      ASSERT_EQ(s.pattern, &run.scene.patterns[m.frame]) << "tick " << tick << " sprite " << i;
      ASSERT_EQ(s.left, m.x / 16 - 32);
      ASSERT_EQ(s.top, m.y / 16 - 32);
    }
  }
  // Sprite 0 lies on top: the view shows its frame's colour at its centre.
  const Molecule& top = run.state.molecules.records[0];
  const uint8_t* pixel = run.ViewAt(top.x / 16, top.y / 16);
  EXPECT_EQ(pixel[0], 11 + top.frame) << "red channel carries the frame's index";
  EXPECT_EQ(pixel[1], 100);
  EXPECT_EQ(pixel[2], 200);
}

TEST(AnimationTick, BounceSoundsReachTheCallback) {
  TestSheet sheet;
  HeadlessRun run(sheet, 5, 64, 64, 3);
  run.state.settings.soundSwitch = 1;
  struct Log {
    int bounces = 0;
    static void Play(void* c, int32_t sound) { static_cast<Log*>(c)->bounces += sound == kBounceSound; }
  } log;
  for (int tick = 0; tick < 60; ++tick) run.Tick(Log::Play, &log);
  EXPECT_GT(log.bounces, 3) << "molecules in a 64 x 64 window bounce often";
}

// The view shows what the window would: black where no sprite has been, the
// sprites where they are now, and black again where a sprite has left.
TEST(HeadlessView, ShowsSpritesAndEraseTheirOldPlaces) {
  TestSheet sheet;
  HeadlessRun run(sheet, 7, 320, 200, 1);
  run.Tick();
  const Molecule first = run.state.molecules.records[0];
  EXPECT_NE(run.ViewAt(first.x / 16, first.y / 16)[2], 0) << "sprite drawn";
  EXPECT_EQ(run.ViewAt(first.x / 16 - 31, first.y / 16 - 31)[2], 0) << "transparent corner stays black";
  for (int tick = 0; tick < 30; ++tick) run.Tick();
  const Molecule now = run.state.molecules.records[0];
  if (std::abs(now.x - first.x) > 16 * 24 || std::abs(now.y - first.y) > 16 * 24) {
    EXPECT_EQ(run.ViewAt(first.x / 16, first.y / 16)[2], 0) << "old place erased";
  }
  int lit = 0;
  for (size_t i = 2; i < run.view.rgb.size(); i += 3) lit += run.view.rgb[i] != 0;
  if (now.x / 16 >= 10 && now.x / 16 <= 310 && now.y / 16 >= 10 && now.y / 16 <= 190) {
    EXPECT_EQ(lit, 20 * 20) << "exactly one 20 x 20 square on the screen";
  }
}

TEST(HeadlessView, SpritesAtTheEdgesAreClipped) {
  TestSheet sheet;
  // A window narrower than a sprite: every rectangle reaches beyond it.
  HeadlessRun run(sheet, 3, 10, 300, 4);
  for (int tick = 0; tick < 100; ++tick) {
    run.Tick();
    // Black, and each molecule's square in its frame's colour, the first on top.
    std::vector<uint8_t> expected(10 * 300 * 3, 0);
    for (int i = 3; i >= 0; --i) {
      const Molecule& m = run.state.molecules.records[i];
      for (int y = std::max(m.y / 16 - 10, 0); y < std::min(m.y / 16 + 10, 300); ++y) {
        for (int x = std::max(m.x / 16 - 10, 0); x < std::min(m.x / 16 + 10, 10); ++x) {
          uint8_t* pixel = &expected[(y * 10 + x) * 3];
          pixel[0] = uint8_t(11 + m.frame), pixel[1] = 100, pixel[2] = 200;
        }
      }
    }
    ASSERT_EQ(run.view.rgb, expected) << "tick " << tick;
  }
}

uint64_t Fnv1a(const std::vector<uint8_t>& bytes) {
  uint64_t h = 14695981039346656037ull;
  for (uint8_t b : bytes) h = (h ^ b) * 1099511628211ull;
  return h;
}

// Two animations in one process share nothing: run side by side they give the
// same pictures as each alone, and a seed always gives the same picture. At
// scale 3 the same animation is shown with each pixel as a 3 x 3 block, and the
// screen pixels left over at the edges stay black.
TEST(HeadlessView, TwoRunsSideBySideMatchAndASeedGivesAFixedPicture) {
  TestSheet sheet;
  HeadlessRun a(sheet, 2024, 400, 300, 12), b(sheet, 2024, 400, 300, 12), big(sheet, 2024, 1202, 901, 12, 3);
  for (int tick = 0; tick < 200; ++tick) {
    a.Tick();
    b.Tick();
    big.Tick();
    ASSERT_EQ(a.view.rgb, b.view.rgb) << "tick " << tick;
  }
  for (int32_t y = 0; y < big.view.height; ++y) {
    for (int32_t x = 0; x < big.view.width; ++x) {
      const uint8_t black[3] = {0, 0, 0};
      const uint8_t* expected = x < 1200 && y < 900 ? a.ViewAt(x / 3, y / 3) : black;
      ASSERT_EQ(std::memcmp(big.ViewAt(x, y), expected, 3), 0) << "scaled pixel " << x << ", " << y;
    }
  }
  HeadlessRun alone(sheet, 2024, 400, 300, 12);
  for (int tick = 0; tick < 200; ++tick) alone.Tick();
  EXPECT_EQ(alone.view.rgb, a.view.rgb);
  EXPECT_EQ(Fnv1a(a.view.rgb), 1787382680729170029ull) << "golden picture of seed 2024 after 200 ticks";
}

// One monitor: every choice is the one animation, pixel for pixel. Each
// monitor: its own size and seed, mirrors once, only the first plays the ambient
// sound; the picture is the bounding box, black where no monitor is.
TEST(Desktop, OneMonitorIsTheSingleAnimationAndEachMonitorRunsItsOwn) {
  TestSheet sheet;
  const ScenePlatform platform = sheet.Platform();
  SaverSettings settings;
  settings.moleculeCount = 12;
  HeadlessRun alone(sheet, 2024, 400, 300, 12);
  for (MonitorChoice choice : {MonitorChoice::Main, MonitorChoice::Each, MonitorChoice::Across}) {
    Desktop desktop;
    PlanDesktop(desktop, choice, {{0, 0, 400, 300}});
    SetUpDesktop(desktop, settings, 2024, &platform);
    HeadlessView view;
    ResetHeadlessView(view, 400, 300);
    for (int tick = 0; tick < 50; ++tick) StepDesktop(desktop, nullptr, nullptr), PresentDesktop(desktop, HeadlessSink(view));
    for (int tick = 0; choice == MonitorChoice::Main && tick < 50; ++tick) alone.Tick();
    EXPECT_EQ(alone.view.rgb, view.rgb) << MonitorChoiceName(choice);
  }

  settings.soundSwitch = 1, settings.soundFrequency = 100;
  Desktop desktop;
  PlanDesktop(desktop, MonitorChoice::Each, {{0, 0, 400, 300}, {400, 100, 600, 250}, {400, 100, 600, 250}});
  SetUpDesktop(desktop, settings, 2024, &platform);
  ASSERT_EQ(2u, desktop.views.size()) << "a mirrored monitor shares its view";
  EXPECT_EQ(200, desktop.views[1]->state->width);
  EXPECT_EQ(150, desktop.views[1]->state->height);
  EXPECT_NE(desktop.views[0]->state->molecules.begin()->x, desktop.views[1]->state->molecules.begin()->x);
  std::vector<int32_t> sounds;
  auto record = [](void* c, int32_t k) { static_cast<std::vector<int32_t>*>(c)->push_back(k); };
  HeadlessView view;
  ResetHeadlessView(view, 600, 300);
  for (int tick = 0; tick < 21; ++tick) StepDesktop(desktop, record, &sounds), PresentDesktop(desktop, HeadlessSink(view));
  EXPECT_EQ(1, std::count(sounds.begin(), sounds.end(), kAmbientSound)) << "one ambient check every 21 ticks";
  for (int32_t y = 0; y < 300; y += y == 99 ? 151 : 1) {
    for (int32_t x = 400; x < 600; ++x) ASSERT_EQ(0, view.rgb[(size_t(y) * 600 + x) * 3 + 1]) << "no monitor at " << x << "," << y;
  }
  PlanDesktop(desktop, MonitorChoice::Main, {{0, 0, 400, 300}, {400, 100, 600, 250}});
  ASSERT_EQ(1u, desktop.views.size());
  EXPECT_TRUE((desktop.views[0]->area == ScreenRect{0, 0, 400, 300})) << "main: the primary alone, the other black";
  PlanDesktop(desktop, MonitorChoice::Each, {{0, 0, 400, 300}, {0, 0, 800, 600}, {100, 50, 500, 400}});
  ASSERT_EQ(1u, desktop.views.size()) << "clones at one origin or overlapping: one animation";
  EXPECT_TRUE((desktop.views[0]->area == ScreenRect{0, 0, 800, 600})) << "the largest clone's";
  MonitorChoice parsed = MonitorChoice::Main;
  EXPECT_TRUE(ParseMonitorChoice("ACROSS", parsed) && parsed == MonitorChoice::Across);
  EXPECT_FALSE(ParseMonitorChoice("all", parsed) || ParseMonitorChoice("", parsed) || ParseMonitorChoice(nullptr, parsed));
}

// Across: one flock, one back buffer per monitor. Two monitors that make a
// rectangle show what one monitor of its size shows, a sprite over the seam in
// both pictures; an L of three keeps back buffers of the monitors' area only.
TEST(Desktop, AcrossDrawsOneFlockIntoEachMonitorsOwnPicture) {
  TestSheet sheet;
  const ScenePlatform platform = sheet.Platform();
  SaverSettings settings;
  settings.moleculeCount = 30;
  HeadlessRun whole(sheet, 77, 700, 300, 30);
  Desktop desktop;
  PlanDesktop(desktop, MonitorChoice::Across, {{-400, 0, 0, 300}, {0, 0, 300, 300}});
  SetUpDesktop(desktop, settings, 77, &platform);
  ASSERT_EQ(2u, desktop.views.size());
  EXPECT_EQ(400, desktop.views[0]->scene.width);
  EXPECT_EQ(300, desktop.views[1]->scene.width);
  HeadlessView view;
  ResetHeadlessView(view, 700, 300);
  int seams = 0;
  for (int tick = 0; tick < 300; ++tick) {
    whole.Tick();
    StepDesktop(desktop, nullptr, nullptr), PresentDesktop(desktop, HeadlessSink(view, -400, 0));
    ASSERT_EQ(whole.view.rgb, view.rgb) << "tick " << tick;
    for (const Molecule& m : whole.state.molecules) seams += std::abs(m.x / 16 - 400) < 10;
  }
  EXPECT_GT(seams, 0) << "some molecule crossed the seam";
  PlanDesktop(desktop, MonitorChoice::Across, {{0, 0, 4000, 2000}, {4000, 0, 4400, 400}, {4000, 1600, 4400, 2000}});
  SetUpDesktop(desktop, settings, 77, &platform);
  int64_t pixels = 0;
  for (const auto& v : desktop.views) pixels += int64_t{v->scene.width} * v->scene.height;
  EXPECT_EQ(4000 * 2000 + 2 * 400 * 400, pixels) << "the monitors' area, not the bounds'";
}

}  // namespace
