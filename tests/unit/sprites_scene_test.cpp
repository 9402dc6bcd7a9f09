// Tests of the sprite scene without a window: set-up, the rectangles each frame
// presents, the window content they produce, and the back buffer left unchanged.
#include <gtest/gtest.h>

#include <random>
#include <sstream>

#include "sprites/blits.h"
#include "sprites/sprite_scene.h"
#include "tests/unit/sprites_test_images.h"

using namespace sprites_test;

namespace {

constexpr int32_t kFrames = 8;

// Frame k (64 x 64, centred at (32, 32 + 64k)): a disc of radius 20 + k in
// indices 11.. on the transparent index, with one pixel of index 0 at its centre.
uint8_t SheetPixel(int32_t x, int32_t y) {
  const int32_t k = y / 64, dx = x - 32, dy = y % 64 - 32;
  if (dx == 0 && dy == 0) return 0;
  if (dx * dx + dy * dy > (20 + k) * (20 + k)) return TRANSPARENT_INDEX;
  return static_cast<uint8_t>(11 + (x + y) % 200);
}

std::vector<uint8_t> MakeSheet() { return MakeEngineDib(64, 64 * kFrames, SheetPixel); }

// The window as a test sees it: an index per pixel, written only by puts.
struct Screen {
  int32_t width = 0, height = 0;
  std::vector<uint8_t> pixels;
  std::vector<SceneRect> puts;
  int begins = 0, ends = 0;
  const SpriteScene* composeFrom = nullptr;  // set: puts compose the sprites themselves
  bool toPixels = false;  // ...straight into 32-bit pixels, index i as 0xAB0000 + i
  DibImage canvas;
  std::vector<uint32_t> converted;
  PatternPixels patterns;

  Screen(int32_t w, int32_t h) : width(w), height(h), pixels(w * h, 0) {}

  static void Begin(void* context, const DibImage&) { ++static_cast<Screen*>(context)->begins; }
  static void End(void* context) { ++static_cast<Screen*>(context)->ends; }
  static void Put(void* context, const DibImage& backBuffer, SceneRect rect) {
    auto* self = static_cast<Screen*>(context);
    self->puts.push_back(rect);
    if (backBuffer.bits == nullptr) return;
    const SceneRect r = ClipRectToImage(rect, backBuffer);
    if (self->toPixels) {
      std::array<uint32_t, 256> table;
      for (uint32_t i = 0; i < 256; ++i) table[i] = 0xAB0000 + i;
      if (self->patterns.spans.empty()) MakePatternPixels(*self->composeFrom, table, self->patterns);
      self->converted.assign(static_cast<size_t>(r.width + 2) * r.height, 0);
      ComposeSceneRectPixels(*self->composeFrom, self->patterns, r, self->converted.data(),
                             r.width + 2);
    } else if (self->composeFrom != nullptr) {
      ComposeSceneRect(*self->composeFrom, r, self->canvas);
    }
    for (int32_t y = r.top; y < r.top + r.height; ++y) {
      for (int32_t x = r.left; x < r.left + r.width; ++x) {
        uint8_t& shown = self->pixels[x + self->width * y];
        if (self->toPixels) {
          const uint32_t pixel = self->converted[x - r.left + (r.width + 2) * (y - r.top)];
          ASSERT_EQ(0xABu, pixel >> 16) << "a pixel of the rectangle not written";
          shown = static_cast<uint8_t>(pixel);
        } else {
          shown = self->composeFrom != nullptr ? *PixelAt(self->canvas, x - r.left, y - r.top)
                                               : *PixelAt(backBuffer, x, y);
        }
      }
    }
  }
  PresentSink Sink() { return {this, &Begin, &Put, &End}; }
};

// A scene of `count` sprites of 64 x 64 showing frames of the test sheet, built
// the way the animation builds it, with plain memory for the back buffer.
struct TestScene {
  FakeBitmaps bitmaps;
  SpriteScene scene;

  TestScene(int32_t count, int32_t width, int32_t height, int32_t size = 64) {
    bitmaps.builtIn = MakeSheet();
    ScenePlatform platform;
    platform.bitmaps = bitmaps.Source();
    CreateScene(scene, platform, count, kFrames, 1, width, height);
    for (int32_t i = 0; i < count; ++i) SetSpriteSize(scene, i, size, size);
    for (int32_t k = 0; k < kFrames; ++k) DefinePattern(scene, k, 0, 32, 32 + 64 * k);
  }
  void Show(int32_t i, int32_t frame, int32_t x, int32_t y) {
    SetSpritePattern(scene, i, frame);
    SetSpriteCentre(scene, i, x, y);
    SetSpriteVisible(scene, i, 1);
  }
};

std::vector<uint8_t> BackBufferBytes(const SpriteScene& scene) {
  return std::vector<uint8_t>(scene.backBuffer.bits,
                              scene.backBuffer.bits + RowStride(scene.width) * scene.height);
}

// What the window should show: the background with the visible sprites painted
// over it from the last to the first, pixel by pixel.
std::vector<uint8_t> ExpectedWindow(const SpriteScene& scene, const std::vector<uint8_t>& background) {
  std::vector<uint8_t> window(scene.width * scene.height);
  for (int32_t y = 0; y < scene.height; ++y) {
    for (int32_t x = 0; x < scene.width; ++x) {
      window[x + scene.width * y] = background[x + RowStride(scene.width) * (scene.height - 1 - y)];
    }
  }
  for (int32_t i = scene.spriteCount - 1; i >= 0; --i) {
    const Sprite& s = scene.sprites[i];
    if (!s.visible || s.pattern == nullptr) continue;
    for (int32_t j = 0; j < 2 * s.hotspotOffsetY; ++j) {
      for (int32_t k = 0; k < 2 * s.hotspotOffsetX; ++k) {
        const int32_t x = s.left + k, y = s.top + j;
        if (x < 0 || y < 0 || x >= scene.width || y >= scene.height) continue;
        const uint8_t v = SheetPixel(s.pattern->hotspotX - s.hotspotOffsetX + k, s.pattern->hotspotY - s.hotspotOffsetY + j);
        if (v != TRANSPARENT_INDEX) window[x + scene.width * y] = v;
      }
    }
  }
  return window;
}

bool SameRect(const SceneRect& a, const SceneRect& b) {
  return a.left == b.left && a.top == b.top && a.width == b.width && a.height == b.height;
}

std::string Describe(const std::vector<SceneRect>& rects) {
  std::ostringstream text;
  for (const SceneRect& r : rects) text << "(" << r.left << ", " << r.top << ", " << r.width << ", " << r.height << ") ";
  return text.str();
}

}  // namespace

TEST(SpriteScene, CreateBuildsABlackBackBufferAndTheColourTable) {
  TestScene t(3, 100, 50);
  const SpriteScene& s = t.scene;
  ASSERT_EQ(3, s.spriteCount);
  EXPECT_EQ(kFrames, s.patternCount);
  EXPECT_EQ(1, s.patternImageCount);
  EXPECT_EQ(100, s.width);
  EXPECT_EQ(50, s.height);
  EXPECT_EQ(t.bitmaps.builtIn.data(), s.patternImages[0].header) << "the built-in sheet is used in place";
  ASSERT_NE(nullptr, s.backBuffer.bits);
  const std::vector<uint8_t> pixels = BackBufferBytes(s);
  EXPECT_EQ(std::vector<uint8_t>(pixels.size(), 0), pixels);
  const DibInfoHeader h = LoadInfoHeader(s.backBuffer.info);
  EXPECT_EQ(100, h.biWidth);
  EXPECT_EQ(50, h.biHeight) << "bottom-up";
  EXPECT_EQ(8, h.biBitCount);

  const uint8_t* table = s.backBuffer.header + kInfoHeaderSize;
  for (int32_t i : {0, 9, 246, 255}) {
    const RgbColour c = kDefaultStaticColours[i < 10 ? i : i - 236];
    EXPECT_EQ(c.blue, table[i * 4]) << "entry " << i;
    EXPECT_EQ(c.green, table[i * 4 + 1]) << "entry " << i;
    EXPECT_EQ(c.red, table[i * 4 + 2]) << "entry " << i;
  }
  for (uint32_t i : {10u, 11u, 128u, 245u}) {
    EXPECT_EQ(TestBlue(i), table[i * 4]) << "entry " << i;
    EXPECT_EQ(TestGreen(i), table[i * 4 + 1]) << "entry " << i;
    EXPECT_EQ(TestRed(i), table[i * 4 + 2]) << "entry " << i;
  }

  // A second creation changes nothing.
  ScenePlatform platform;
  CreateScene(t.scene, platform, 9, 9, 9, 9, 9);
  EXPECT_EQ(3, s.spriteCount);
  EXPECT_EQ(100, s.width);
}

TEST(SpriteScene, PaletteEntriesFollowTheColourTable) {
  TestScene t(0, 4, 4);
  StaticColours statics{};
  for (int32_t i = 0; i < 20; ++i) statics[i] = {static_cast<uint8_t>(i), 1, 2};
  uint8_t* table = t.scene.backBuffer.header + kInfoHeaderSize;
  table[3] = 0x77;  // a reserved byte is left alone
  BuildIdentityColourTable(t.scene.backBuffer, t.scene.patternImages[0], statics);
  EXPECT_EQ(0x77, table[3]);
  EXPECT_EQ(19, table[255 * 4 + 2]) << "red of entry 255 is static colour 19";
  EXPECT_EQ(TestRed(10), table[10 * 4 + 2]);
  const std::array<PaletteEntry, 256> entries = BuildIdentityPaletteEntries(t.scene.backBuffer, statics);
  for (int32_t i = 0; i < 256; ++i) {
    const PaletteEntry& e = entries[i];
    const bool isStatic = i < 10 || i >= 246;
    EXPECT_EQ(isStatic ? 0 : kNoCollapse, e.flags) << "entry " << i;
    EXPECT_EQ(table[i * 4 + 2], e.red) << "entry " << i;
    EXPECT_EQ(table[i * 4 + 1], e.green) << "entry " << i;
    EXPECT_EQ(table[i * 4], e.blue) << "entry " << i;
  }
}

TEST(SpriteScene, SettersIgnoreIndicesOutOfRange) {
  TestScene t(2, 200, 200);
  SpriteScene& s = t.scene;
  SetSpriteSize(s, 1, 65, 65);
  const Sprite& b = s.sprites[1];
  EXPECT_EQ(32, b.hotspotOffsetX);
  EXPECT_EQ(32, b.hotspotOffsetY);
  EXPECT_EQ(8450, b.blitThreshold);
  EXPECT_EQ(65, b.background.width);
  EXPECT_EQ(65, b.background.height);

  SetSpritePattern(s, 0, 3);
  EXPECT_EQ(&s.patterns[3], s.sprites[0].pattern);
  SetSpritePattern(s, 0, kFrames);
  EXPECT_EQ(&s.patterns[0], s.sprites[0].pattern) << "pattern index == count selects pattern 0";
  SetSpritePattern(s, 0, 3);
  SetSpritePattern(s, 0, -1);
  EXPECT_EQ(&s.patterns[0], s.sprites[0].pattern) << "pattern index -1 selects pattern 0";

  for (int32_t bad : {-1, 2}) {
    SetSpriteVisible(s, bad, 1);
    SetSpriteCentre(s, bad, 5, 5);
    SetSpriteSize(s, bad, 8, 8);
    SetSpritePattern(s, bad, 1);
  }
  for (int32_t i = 0; i < 2; ++i) {
    EXPECT_EQ(0, s.sprites[i].visible);
    EXPECT_EQ(0, s.sprites[i].left);
  }
  EXPECT_EQ(64, s.sprites[0].width);

  SetSpriteCentre(s, 0, 0, 0);
  EXPECT_EQ(-32, s.sprites[0].left);
  EXPECT_EQ(-32, s.sprites[0].top);
  SetSpriteVisible(s, 0, 0x100);
  EXPECT_EQ(0, s.sprites[0].visible) << "only the low byte counts";

  DefinePattern(s, kFrames, 0, 1, 1);
  DefinePattern(s, 0, 1, 1, 1);
  DefinePattern(s, -1, 0, 1, 1);
  EXPECT_EQ(32, s.patterns[0].hotspotX);
}

TEST(SpriteScene, PresentsTheUnionWhileItIsBelowTheThreshold) {
  struct Case {
    int32_t dx, dy;
    std::vector<SceneRect> rects;  // from (100, 100) to (100 + dx, 100 + dy)
  };
  const Case cases[] = {
      {3, -2, {{68, 66, 67, 66}}},
      {20, 20, {{68, 68, 84, 84}}},
      {0, 0, {{68, 68, 64, 64}}},
      {-63, 0, {{5, 68, 127, 64}}},                      // 8,128: still one
      {64, 0, {{132, 68, 64, 64}, {68, 68, 64, 64}}},    // 8,192 is not below: new place first
      {40, 40, {{108, 108, 64, 64}, {68, 68, 64, 64}}},
      {-500, 300, {{-432, 368, 64, 64}, {68, 68, 64, 64}}},
  };
  for (const Case& c : cases) {
    TestScene t(1, 300, 300);
    Screen screen(300, 300);
    t.Show(0, 0, 100, 100);
    RenderScene(t.scene, screen.Sink());
    screen.puts.clear();
    SetSpriteCentre(t.scene, 0, 100 + c.dx, 100 + c.dy);
    RenderScene(t.scene, screen.Sink());
    ASSERT_EQ(c.rects.size(), screen.puts.size()) << "move " << c.dx << ", " << c.dy << ": " << Describe(screen.puts);
    for (size_t i = 0; i < c.rects.size(); ++i) {
      EXPECT_TRUE(SameRect(c.rects[i], screen.puts[i])) << "move " << c.dx << ", " << c.dy << ": " << Describe(screen.puts);
    }
  }
}

TEST(SpriteScene, ShowingAndHidingPresentTheRightPlaces) {
  TestScene t(1, 300, 300);
  Screen screen(300, 300);
  RenderScene(t.scene, screen.Sink());
  EXPECT_TRUE(screen.puts.empty()) << "a hidden sprite that never showed puts nothing";

  t.Show(0, 0, 100, 100);
  RenderScene(t.scene, screen.Sink());
  ASSERT_EQ(1u, screen.puts.size()) << "first showing: only the new place, though prev is (0, 0)";
  EXPECT_TRUE(SameRect({68, 68, 64, 64}, screen.puts[0]));

  screen.puts.clear();
  SetSpriteCentre(t.scene, 0, 150, 120);
  SetSpriteVisible(t.scene, 0, 0);
  RenderScene(t.scene, screen.Sink());
  ASSERT_EQ(1u, screen.puts.size()) << "hiding puts the old place once";
  EXPECT_TRUE(SameRect({68, 68, 64, 64}, screen.puts[0]));
  EXPECT_EQ(0, screen.pixels[100 + 300 * 100]) << "and the window shows the background there";

  screen.puts.clear();
  RenderScene(t.scene, screen.Sink());
  EXPECT_TRUE(screen.puts.empty()) << "and nothing after";
  EXPECT_EQ(4, screen.begins) << "one bracket per frame";
  EXPECT_EQ(4, screen.ends);
}

TEST(SpriteScene, RectanglesGoFromTheLastSpriteToTheFirst) {
  TestScene t(3, 400, 100);
  Screen screen(400, 100);
  for (int32_t i = 0; i < 3; ++i) t.Show(i, i, 50 + 100 * i, 50);
  RenderScene(t.scene, screen.Sink());
  ASSERT_EQ(3u, screen.puts.size());
  EXPECT_EQ(218, screen.puts[0].left);
  EXPECT_EQ(118, screen.puts[1].left);
  EXPECT_EQ(18, screen.puts[2].left);
}

TEST(SpriteScene, LowerIndexIsOnTop) {
  TestScene t(2, 200, 200);
  Screen screen(200, 200);
  t.Show(0, 1, 100, 100);
  t.Show(1, 2, 110, 100);
  RenderScene(t.scene, screen.Sink());
  EXPECT_EQ(SheetPixel(32 + 5, 32 + 64 + 0), screen.pixels[105 + 200 * 100]) << "sprite 0 covers sprite 1";
  EXPECT_EQ(0, screen.pixels[100 + 200 * 100]) << "index 0 at sprite 0's centre is drawn";
  EXPECT_EQ(SheetPixel(32 + 22, 64 * 2 + 32), screen.pixels[132 + 200 * 100]) << "sprite 1 beyond sprite 0's disc";
}

// Many frames of sprites that overlap, stand out of every edge, have odd sizes,
// jump, hide and show: after each frame the back buffer holds exactly its old
// bytes, and the window shows the composition of the visible sprites. Composed
// by the sink (PresentScene, ComposeSceneRect on the black back buffer) too, and
// straight into pixels (ComposeSceneRectPixels).
TEST(SpriteScene, FramesLeaveTheBackBufferAndShowTheComposition) {
  for (const int mode : {0, 1, 2}) {
    const bool composed = mode != 0;
    SCOPED_TRACE(mode == 2  ? "composed into pixels"
                 : composed ? "composed by the sink"
                            : "composed in the back buffer");
    const int32_t width = 157, height = 93, count = 12;
    TestScene t(count, width, height);
    SpriteScene& s = t.scene;
    const int32_t sizes[] = {64, 65, 63, 1, 2, 17, 64, 31, 64, 64, 33, 0};
    for (int32_t i = 0; i < count; ++i) SetSpriteSize(s, i, sizes[i], sizes[i]);
    // A background that is not black, so that a restore from the wrong place shows.
    for (int32_t y = 0; y < height && !composed; ++y) {
      for (int32_t x = 0; x < width; ++x) *PixelAt(s.backBuffer, x, y) = static_cast<uint8_t>(250 + (x ^ y) % 6);
    }
    const std::vector<uint8_t> background = BackBufferBytes(s);
    Screen screen(width, height);
    if (composed) screen.composeFrom = &s;
    screen.toPixels = mode == 2;
    CreateBlank(screen.canvas, width + 3, height + 1);
    screen.pixels = ExpectedWindow(s, background);

    std::mt19937 random(7);
    auto pick = [&](int32_t lo, int32_t hi) { return std::uniform_int_distribution<int32_t>(lo, hi)(random); };
    std::vector<int32_t> xs(count), ys(count);
    for (int32_t i = 0; i < count; ++i) {
      xs[i] = pick(-40, width + 40);
      ys[i] = pick(-40, height + 40);
    }
    for (int frame = 0; frame < 200; ++frame) {
      SCOPED_TRACE(testing::Message() << "frame " << frame);
      for (int32_t i = 0; i < count; ++i) {
        if (pick(0, 20) == 0) {  // a jump
          xs[i] = pick(-70, width + 70);
          ys[i] = pick(-70, height + 70);
        } else {
          xs[i] += pick(-4, 4);
          ys[i] += pick(-4, 4);
        }
        SetSpriteCentre(s, i, xs[i], ys[i]);
        SetSpritePattern(s, i, pick(-1, kFrames));
        if (pick(0, 10) == 0) SetSpriteVisible(s, i, !s.sprites[i].visible);
        if (frame == 0) SetSpriteVisible(s, i, i % 4 != 3);
      }
      composed ? PresentScene(s, screen.Sink()) : RenderScene(s, screen.Sink());
      ASSERT_EQ(background, BackBufferBytes(s));
      ASSERT_EQ(ExpectedWindow(s, background), screen.pixels);
    }
  }
}

TEST(SpriteScene, TwoScenesSideBySideGiveTheSameFrames) {
  TestScene a(4, 120, 80), b(4, 120, 80);
  TestScene alone(4, 120, 80);
  Screen screenA(120, 80), screenB(120, 80), screenAlone(120, 80);
  for (int frame = 0; frame < 30; ++frame) {
    for (int32_t i = 0; i < 4; ++i) {
      for (TestScene* t : {&a, &b, &alone}) t->Show(i, (frame + i) % kFrames, 10 + 3 * frame + 20 * i, 5 * i + frame);
    }
    RenderScene(a.scene, screenA.Sink());
    RenderScene(b.scene, screenB.Sink());
    RenderScene(alone.scene, screenAlone.Sink());
  }
  EXPECT_EQ(screenAlone.pixels, screenA.pixels);
  EXPECT_EQ(screenAlone.pixels, screenB.pixels);
}

TEST(SpriteScene, MissingSheetDrawsNothingAndKeepsTheColoursBlack) {
  SpriteScene scene;
  ScenePlatform platform;  // no files, nothing built in
  CreateScene(scene, platform, 2, 32, 1, 90, 90);
  ASSERT_EQ(2, scene.spriteCount);
  EXPECT_EQ(nullptr, scene.patternImages[0].header);
  const uint8_t* table = scene.backBuffer.header + kInfoHeaderSize;
  for (int32_t i = 10; i <= 245; ++i) {
    ASSERT_EQ(0, table[i * 4] | table[i * 4 + 1] | table[i * 4 + 2]) << "entry " << i;
  }
  EXPECT_EQ(kDefaultStaticColours[19].red, table[255 * 4 + 2]);
  Screen screen(90, 90);
  for (int32_t i = 0; i < 2; ++i) {
    SetSpriteSize(scene, i, 64, 64);
    SetSpriteCentre(scene, i, 40, 40);
    SetSpriteVisible(scene, i, 1);
  }
  SetSpritePattern(scene, 0, 0);
  DefinePattern(scene, 0, 0, 32, 32);  // refers to the empty image: still defined
  EXPECT_EQ(&scene.patternImages[0], scene.patterns[0].image);
  RenderScene(scene, screen.Sink());  // sprite 1 has no pattern at all
  EXPECT_EQ(2u, screen.puts.size());
  EXPECT_EQ(std::vector<uint8_t>(90 * 90, 0), screen.pixels);

  SpriteScene noImages;
  CreateScene(noImages, platform, 1, 0, 0, 10, 10);
  SetSpriteSize(noImages, 0, 4, 4);
  SetSpritePattern(noImages, 0, 0);
  EXPECT_EQ(nullptr, noImages.sprites[0].pattern) << "no patterns: nothing to select";
  SetSpriteVisible(noImages, 0, 1);
  RenderScene(noImages, screen.Sink());
}

TEST(SpriteScene, EmptyOrFailedBackBufferIsHarmless) {
  ScenePlatform platform;
  for (auto [w, h] : {std::pair{0, 0}, {-5, 10}, {kMaxDibSide + 1, 2}}) {
    SpriteScene scene;
    CreateScene(scene, platform, 1, 1, 1, w, h);
    EXPECT_EQ(nullptr, scene.backBuffer.bits);
    SetSpriteSize(scene, 0, 8, 8);
    SetSpriteVisible(scene, 0, 1);
    Screen screen(1, 1);
    RenderScene(scene, screen.Sink());
    EXPECT_EQ(1, screen.begins) << "the frame still brackets its (empty) presentation";
  }
  SpriteScene none;  // never created
  Screen screen(1, 1);
  RenderScene(none, screen.Sink());
  EXPECT_EQ(1, screen.begins);
  EXPECT_EQ(1, screen.ends);
  EXPECT_TRUE(screen.puts.empty());
}

TEST(SpriteScene, ClipRectToImage) {
  DibImage image;
  image.width = 100;
  image.height = 50;
  struct Case {
    SceneRect in, out;
  };
  const Case cases[] = {{{-32, -32, 64, 64}, {0, 0, 32, 32}}, {{90, 40, 64, 64}, {90, 40, 10, 10}},
                        {{100, 0, 5, 5}, {0, 0, 0, 0}},       {{10, 10, -5, 5}, {0, 0, 0, 0}},
                        {{5, 5, 10, 10}, {5, 5, 10, 10}},     {{-1, 49, 102, 1}, {0, 49, 100, 1}}};
  for (const Case& c : cases) {
    EXPECT_TRUE(SameRect(c.out, ClipRectToImage(c.in, image))) << Describe({c.in}) << "-> " << Describe({ClipRectToImage(c.in, image)});
  }
}
