// The sprite scene: pattern images, patterns and sprites composed into an 8-bit
// back buffer, of which only the sprites' rectangles are presented each frame.
#include "sprites/sprite_scene.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>

#include "sprites/blits.h"

namespace {

Sprite* SpriteAt(SpriteScene& scene, int32_t index) {
  if (scene.sprites == nullptr || index < 0 || index >= scene.spriteCount) return nullptr;
  return &scene.sprites[index];
}

void MakePlainBackBuffer(SpriteScene& scene, int32_t width, int32_t height) {
  if (!DibFitsLimits(width, height)) return;
  const uint64_t bytes = static_cast<uint64_t>(RowStride(width)) * static_cast<uint64_t>(height);
  scene.ownedPixels.reset(new (std::nothrow) uint8_t[bytes]());
  scene.backBuffer.bits = scene.ownedPixels.get();
}

// a - b with the wrap of 32-bit arithmetic rather than overflow.
int32_t WrapSub(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}

void Put(const PresentSink& sink, const DibImage& backBuffer, int32_t left, int32_t top,
         int32_t width, int32_t height) {
  if (sink.put != nullptr) sink.put(sink.context, backBuffer, {left, top, width, height});
}

}  // namespace

SceneRect ClipRectToImage(SceneRect rect, const DibImage& image) {
  const int64_t left = std::max<int64_t>(rect.left, 0);
  const int64_t top = std::max<int64_t>(rect.top, 0);
  const int64_t right = std::min<int64_t>(int64_t{rect.left} + rect.width, image.width);
  const int64_t bottom = std::min<int64_t>(int64_t{rect.top} + rect.height, image.height);
  if (right <= left || bottom <= top) return {};
  return {static_cast<int32_t>(left), static_cast<int32_t>(top), static_cast<int32_t>(right - left),
          static_cast<int32_t>(bottom - top)};
}

void CreateScene(SpriteScene& scene, const ScenePlatform& platform, int32_t spriteCount,
                 int32_t patternCount, int32_t patternImageCount, int32_t width, int32_t height) {
  if (scene.sprites || scene.patterns || scene.patternImages) return;
  patternImageCount = std::max(patternImageCount, 0);
  spriteCount = std::max(spriteCount, 0);
  patternCount = std::max(patternCount, 0);

  scene.patternImages.reset(new (std::nothrow) DibImage[patternImageCount]);
  scene.patternImageCount = scene.patternImages ? patternImageCount : 0;
  for (int32_t i = 0; i < scene.patternImageCount; ++i) {
    // to_chars rather than snprintf: the formatted-output machinery would be most
    // of the program's code in a static build.
    char name[24] = "SPPAT_R";
    *std::to_chars(name + 7, name + sizeof name - 1, i).ptr = '\0';
    LoadNamed(scene.patternImages[i], name, platform.bitmaps);
  }

  WriteSectionHeader(scene.backBuffer, width, height);
  if (scene.backBuffer.header != nullptr) {
    if (platform.makeBackBuffer != nullptr) {
      platform.makeBackBuffer(platform.context, scene, width, height);
    } else {
      MakePlainBackBuffer(scene, width, height);
    }
  }

  StaticColours statics = kDefaultStaticColours;
  if (platform.readStaticColours != nullptr) platform.readStaticColours(platform.context, statics);
  const DibImage noSheet;
  BuildIdentityColourTable(scene.backBuffer, scene.patternImageCount > 0 ? scene.patternImages[0] : noSheet,
                           statics);
  if (platform.makePalette != nullptr) platform.makePalette(platform.context, scene);

  scene.width = width;
  scene.height = height;
  scene.sprites.reset(new (std::nothrow) Sprite[spriteCount]);
  scene.visibleBits.reset(new (std::nothrow) uint32_t[spriteCount / 32 + 1]());
  if (!scene.visibleBits) scene.sprites.reset();
  scene.spriteCount = scene.sprites ? spriteCount : 0;
  scene.patterns.reset(new (std::nothrow) SpritePattern[patternCount]);
  scene.patternCount = scene.patterns ? patternCount : 0;
}

void SetSpriteSize(SpriteScene& scene, int32_t index, int32_t width, int32_t height) {
  Sprite* sprite = SpriteAt(scene, index);
  if (sprite == nullptr) return;
  sprite->width = width;
  sprite->height = height;
  sprite->hotspotOffsetX = width / 2;
  sprite->hotspotOffsetY = height / 2;
  sprite->background = DibImage();
  CreateBlank(sprite->background, width, height);
  // Saturated: a sprite too large to count in 32 bits is never merged anyway.
  const int64_t threshold = int64_t{2} * width * height;
  sprite->blitThreshold = static_cast<int32_t>(
      std::clamp<int64_t>(threshold, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

void DefinePattern(SpriteScene& scene, int32_t pattern, int32_t patternImage, int32_t hotspotX,
                   int32_t hotspotY) {
  if (scene.patterns == nullptr || pattern < 0 || pattern >= scene.patternCount) return;
  if (scene.patternImages == nullptr || patternImage < 0 || patternImage >= scene.patternImageCount) return;
  SpritePattern& p = scene.patterns[pattern];
  p.image = &scene.patternImages[patternImage];
  p.hotspotX = hotspotX;
  p.hotspotY = hotspotY;
}

void SetSpritePattern(SpriteScene& scene, int32_t index, int32_t pattern) {
  Sprite* sprite = SpriteAt(scene, index);
  if (sprite == nullptr) return;
  if (pattern < 0 || pattern >= scene.patternCount) pattern = 0;
  // A scene without patterns has no pattern 0 either.
  sprite->pattern = scene.patternCount > 0 ? &scene.patterns[pattern] : nullptr;
}

void SetSpriteCentre(SpriteScene& scene, int32_t index, int32_t x, int32_t y) {
  Sprite* sprite = SpriteAt(scene, index);
  if (sprite == nullptr) return;
  sprite->left = WrapSub(x, sprite->hotspotOffsetX);
  sprite->top = WrapSub(y, sprite->hotspotOffsetY);
}

void SetSpriteVisible(SpriteScene& scene, int32_t index, int32_t flag) {
  Sprite* sprite = SpriteAt(scene, index);
  if (sprite == nullptr) return;
  sprite->visible = static_cast<uint8_t>(flag);
  uint32_t& word = scene.visibleBits[index / 32];
  const uint32_t bit = uint32_t{1} << (31 - index % 32);
  word = sprite->visible ? word | bit : word & ~bit;
}

void SaveAndDraw(Sprite& sprite, DibImage& backBuffer) {
  if (!sprite.visible) return;
  SaveRect(sprite.background, backBuffer, sprite.left, sprite.top);
  // A sprite shown without a pattern, or with one whose image is missing, keeps
  // its place on the window but draws nothing.
  if (sprite.pattern == nullptr || sprite.pattern->image == nullptr) return;
  const SpritePattern& p = *sprite.pattern;
  DrawTransparent(*p.image, backBuffer, sprite.left, sprite.top, 2 * sprite.hotspotOffsetX,
                  2 * sprite.hotspotOffsetY, WrapSub(p.hotspotX, sprite.hotspotOffsetX),
                  WrapSub(p.hotspotY, sprite.hotspotOffsetY));
}

void PresentSprite(Sprite& sprite, const DibImage& backBuffer, const PresentSink& sink) {
  if (sprite.visible && sprite.prevVisible) {
    const int64_t unionWidth = sprite.width + std::abs(int64_t{sprite.left} - sprite.prevLeft);
    const int64_t unionHeight = sprite.height + std::abs(int64_t{sprite.top} - sprite.prevTop);
    // Factors beyond 2^31 only make the area larger than any threshold; bounding
    // them keeps the product inside 64 bits.
    constexpr int64_t kBound = int64_t{1} << 31;
    const int64_t area = std::clamp(unionWidth, -kBound, kBound) * std::clamp(unionHeight, -kBound, kBound);
    if (area < sprite.blitThreshold) {
      Put(sink, backBuffer, std::min(sprite.left, sprite.prevLeft), std::min(sprite.top, sprite.prevTop),
          static_cast<int32_t>(unionWidth), static_cast<int32_t>(unionHeight));
    } else {
      Put(sink, backBuffer, sprite.left, sprite.top, sprite.width, sprite.height);
      Put(sink, backBuffer, sprite.prevLeft, sprite.prevTop, sprite.width, sprite.height);
    }
  } else if (sprite.visible) {
    Put(sink, backBuffer, sprite.left, sprite.top, sprite.width, sprite.height);
  } else if (sprite.prevVisible) {
    // The background where the sprite was takes it off the window.
    Put(sink, backBuffer, sprite.prevLeft, sprite.prevTop, sprite.width, sprite.height);
  }
  sprite.prevLeft = sprite.left;
  sprite.prevTop = sprite.top;
  sprite.prevVisible = sprite.visible;
}

void RestoreBackground(const Sprite& sprite, DibImage& backBuffer) {
  if (sprite.visible) RestoreRect(sprite.background, backBuffer, sprite.left, sprite.top);
}

void PresentScene(SpriteScene& scene, const PresentSink& sink) {
  const int32_t count = scene.sprites ? scene.spriteCount : 0;
  if (sink.begin != nullptr) sink.begin(sink.context, scene.backBuffer);
  for (int32_t i = count - 1; i >= 0; --i) PresentSprite(scene.sprites[i], scene.backBuffer, sink);
  if (sink.end != nullptr) sink.end(sink.context);
}

void RenderScene(SpriteScene& scene, const PresentSink& sink) {
  const int32_t count = scene.sprites ? scene.spriteCount : 0;
  for (int32_t i = count - 1; i >= 0; --i) SaveAndDraw(scene.sprites[i], scene.backBuffer);
  PresentScene(scene, sink);
  for (int32_t i = 0; i < count; ++i) RestoreBackground(scene.sprites[i], scene.backBuffer);
}

namespace {

// One picture's rectangles, handed on to a desktop sink with its place.
struct PictureSink {
  const DesktopSink* sink;
  PicturePlace place;
};

void BeginPicture(void* context, const DibImage&) {
  const auto* p = static_cast<const PictureSink*>(context);
  if (p->sink->begin != nullptr) p->sink->begin(p->sink->context, p->place);
}

void PutPicture(void* context, const DibImage&, SceneRect rect) {
  const auto* p = static_cast<const PictureSink*>(context);
  if (p->sink->put != nullptr) p->sink->put(p->sink->context, p->place, rect);
}

void EndPicture(void* context) {
  const auto* p = static_cast<const PictureSink*>(context);
  if (p->sink->end != nullptr) p->sink->end(p->sink->context);
}

}  // namespace

void PresentPicture(SpriteScene& scene, int32_t left, int32_t top, int32_t scale, const DesktopSink& sink) {
  PictureSink picture{&sink, {&scene, left - sink.originX, top - sink.originY, scale}};
  const PresentSink each{&picture, BeginPicture, PutPicture, EndPicture};
  // RenderScene, its composing left to a sink that composes itself.
  const int32_t count = sink.composes || !scene.sprites ? 0 : scene.spriteCount;
  for (int32_t i = count - 1; i >= 0; --i) SaveAndDraw(scene.sprites[i], scene.backBuffer);
  PresentScene(scene, each);
  for (int32_t i = 0; i < count; ++i) RestoreBackground(scene.sprites[i], scene.backBuffer);
}

namespace {

// Calls draw(image, dx, dy, width, height, sx, sy) for each visible sprite that
// reaches `rect`, from the last to the first, with the arguments SaveAndDraw
// gives DrawTransparent, made relative to the rectangle's top-left.
template <typename Draw>
void DrawSpritesIn(const SpriteScene& scene, SceneRect rect, Draw draw) {
  const int64_t right = int64_t{rect.left} + rect.width, bottom = int64_t{rect.top} + rect.height;
  // The visible sprites from the last to the first.
  for (int32_t word = scene.sprites ? scene.spriteCount / 32 : -1; word >= 0; --word) {
    for (uint32_t bits = scene.visibleBits[word]; bits != 0; bits &= bits - 1) {
      const Sprite& sprite = scene.sprites[word * 32 + 31 - std::countr_zero(bits)];
      // As SaveAndDraw draws it, skipped when it does not reach the rectangle.
      const int64_t width = 2 * int64_t{sprite.hotspotOffsetX}, height = 2 * int64_t{sprite.hotspotOffsetY};
      if (sprite.left >= right || sprite.top >= bottom || sprite.left + width <= rect.left ||
          sprite.top + height <= rect.top) {
        continue;
      }
      if (sprite.pattern == nullptr || sprite.pattern->image == nullptr) continue;
      const SpritePattern& p = *sprite.pattern;
      draw(*p.image, static_cast<int32_t>(int64_t{sprite.left} - rect.left),
           static_cast<int32_t>(int64_t{sprite.top} - rect.top), static_cast<int32_t>(width),
           static_cast<int32_t>(height), WrapSub(p.hotspotX, sprite.hotspotOffsetX),
           WrapSub(p.hotspotY, sprite.hotspotOffsetY));
    }
  }
}

}  // namespace

void ComposeSceneRect(const SpriteScene& scene, SceneRect rect, DibImage& canvas) {
  if (rect.width <= 0 || rect.height <= 0 || rect.width > canvas.width || rect.height > canvas.height) return;
  uint8_t* top = PixelAt(canvas, 0, 0);
  if (top == nullptr) return;
  // The canvas seen as an image of the rectangle's size, so that the sprites are
  // clipped to the rectangle as they are to the back buffer: the same rows
  // (bottom-up, so the lower ones lie first), fewer of them.
  DibImage view;
  view.header = canvas.header;
  view.info = canvas.info;
  view.width = rect.width;
  view.height = rect.height;
  const int64_t stride = RowStride(static_cast<int32_t>(LoadInfoHeader(canvas.info).biWidth));
  view.bits = top - stride * (rect.height - 1);
  // The rows lie one after the other: cleared at once, with the bytes beyond
  // the rectangle's width, which nothing reads; a narrow rectangle (a sprite
  // cut by a monitor's edge) row by row.
  if (rect.width * 2 < stride) {
    for (int32_t y = 0; y < rect.height; ++y) std::memset(view.bits + stride * y, 0, static_cast<size_t>(rect.width));
  } else {
    std::memset(view.bits, 0, static_cast<size_t>(stride * (rect.height - 1) + rect.width));
  }
  DrawSpritesIn(scene, rect,
                [&](const DibImage& image, int32_t dx, int32_t dy, int32_t w, int32_t h, int32_t sx,
                    int32_t sy) { DrawTransparent(image, view, dx, dy, w, h, sx, sy); });
}

void MakePatternPixels(const SpriteScene& scene, const std::array<uint32_t, 256>& table,
                       PatternPixels& patterns) {
  patterns.table = table;
  patterns.spans.assign(scene.patternImages ? scene.patternImageCount : 0, {});
  for (size_t k = 0; k < patterns.spans.size(); ++k) {
    const DibImage& image = scene.patternImages[k];
    if (image.header == nullptr || PixelAt(image, 0, 0) == nullptr) continue;
    std::vector<int32_t>& spans = patterns.spans[k];
    spans.assign(2 * static_cast<size_t>(image.height), 0);
    for (int32_t y = 0; y < image.height; ++y) {
      const uint8_t* row = PixelAt(image, 0, y);
      for (int32_t x = 0; x < image.width; ++x) {
        if (row[x] == TRANSPARENT_INDEX) continue;
        if (spans[2 * y] == spans[2 * y + 1]) spans[2 * y] = x;
        spans[2 * y + 1] = x + 1;
      }
    }
  }
}

void ComposeSceneRectPixels(const SpriteScene& scene, const PatternPixels& patterns, SceneRect rect,
                            uint32_t* pixels, int32_t pixelsPerRow) {
  if (rect.width <= 0 || rect.height <= 0) return;
  for (int32_t y = 0; y < rect.height; ++y) {
    std::fill_n(pixels + static_cast<size_t>(y) * pixelsPerRow, rect.width, patterns.table[0]);
  }
  DrawSpritesIn(scene, rect,
                [&](const DibImage& image, int32_t dx, int32_t dy, int32_t w, int32_t h, int32_t sx,
                    int32_t sy) {
                  const size_t k = static_cast<size_t>(&image - scene.patternImages.get());
                  const bool spanned = k < patterns.spans.size() && !patterns.spans[k].empty();
                  DrawTransparentPixels(image, spanned ? patterns.spans[k].data() : nullptr,
                                        patterns.table, pixels, rect.width, rect.height,
                                        pixelsPerRow, dx, dy, w, h, sx, sy);
                });
}
