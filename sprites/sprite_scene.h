// The sprite scene: pattern images, patterns and sprites composed into an 8-bit
// back buffer, of which only the sprites' rectangles are presented each frame.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "sprites/dib_image.h"
#include "sprites/palette.h"

// One frame: a region of a pattern image around a hotspot (from the image's top-left).
struct SpritePattern {
  DibImage* image = nullptr;
  int32_t hotspotX = 0;
  int32_t hotspotY = 0;
};

struct Sprite {
  SpritePattern* pattern = nullptr;  // the frame shown; null until chosen
  int32_t left = 0;                  // top-left corner in the back buffer and the window
  int32_t top = 0;
  int32_t width = 0;
  int32_t height = 0;
  int32_t hotspotOffsetX = 0;        // width / 2: where the hotspot lies in the rectangle
  int32_t hotspotOffsetY = 0;
  uint8_t visible = 0;
  DibImage background;               // the back-buffer pixels the sprite covers this frame
  int32_t prevLeft = 0;              // left, top and visible as the last frame presented them
  int32_t prevTop = 0;
  uint8_t prevVisible = 0;
  int32_t blitThreshold = 0;         // 2 x width x height: below it old and new places go as one
};

// The scene. Sprite 0 lies on top of sprite 1, and so on. Between two frames the
// back buffer holds only the background (black, as created).
struct SpriteScene {
  std::unique_ptr<Sprite[]> sprites;
  // Bit 31 - i % 32 of word i / 32 (spriteCount / 32 + 1 words): sprite i is
  // visible, so that composing a rectangle passes over the hidden ones (most of
  // them on one monitor of a flock across several) 32 at a time, the last
  // first. Kept by SetSpriteVisible.
  std::unique_ptr<uint32_t[]> visibleBits;
  std::unique_ptr<SpritePattern[]> patterns;
  std::unique_ptr<DibImage[]> patternImages;  // image i is the bitmap "SPPAT_R<i>"
  DibImage backBuffer;
  // Platform objects behind the back buffer (the Win32 layer's DIB section, its
  // memory context and what that held before); opaque here, released by that layer.
  void* backBitmap = nullptr;
  void* memoryDc = nullptr;
  void* previousBitmap = nullptr;
  // Back-buffer pixels when the platform provides none (tools and tests).
  std::unique_ptr<uint8_t[]> ownedPixels;
  int32_t spriteCount = 0;
  int32_t patternCount = 0;
  int32_t patternImageCount = 0;
  int32_t width = 0;   // of the back buffer: the window's client area at creation
  int32_t height = 0;
};

// What CreateScene needs from the platform. Every function may be null; the
// comment says what happens then. `context` is passed through unchanged.
struct ScenePlatform {
  void* context = nullptr;
  // Where the pattern images come from (a file of the name first, then built in).
  BitmapSource bitmaps;
  // The twenty static colours for the back buffer's colour table. Null: the
  // standard default static colours.
  void (*readStaticColours)(void* context, StaticColours& colours) = nullptr;
  // Gives scene.backBuffer its pixel memory: called with the header already
  // written for scene's width x height; must set backBuffer.bits to memory laid
  // out as that header says, every pixel 0, or leave it null on failure (the
  // scene then draws and presents nothing). Null: a plain zeroed block owned by
  // the scene.
  void (*makeBackBuffer)(void* context, SpriteScene& scene, int32_t width, int32_t height) = nullptr;
  // Called once the back buffer's colour table is complete, to make the
  // platform palette that matches it. Null: no palette.
  void (*makePalette)(void* context, SpriteScene& scene) = nullptr;
};

// A rectangle in back-buffer and window coordinates, from the top-left.
struct SceneRect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t width = 0;
  int32_t height = 0;
};

// Where a frame's rectangles go. RenderScene calls begin once, put for each
// rectangle, end once, even when there is nothing to put. `begin` and `end` may be
// null. A rectangle may reach beyond the back buffer; `put` shows only the part
// inside it (ClipRectToImage).
struct PresentSink {
  void* context = nullptr;
  void (*begin)(void* context, const DibImage& backBuffer) = nullptr;
  void (*put)(void* context, const DibImage& backBuffer, SceneRect rect) = nullptr;
  void (*end)(void* context) = nullptr;
};

// Where a picture's rectangles land on a target (a window, a headless picture):
// back-buffer pixel (x, y) of `scene` covers the target's pixels left + x * scale
// to left + (x + 1) * scale - 1 across, and the same down from top.
struct PicturePlace {
  const SpriteScene* scene = nullptr;
  int32_t left = 0;
  int32_t top = 0;
  int32_t scale = 1;
};

// Where the pictures of a desktop go: a target whose top-left pixel lies at
// (originX, originY) of the desktop. For each picture the presenter calls begin,
// put for each of its rectangles (back-buffer pixels; one may reach beyond the
// back buffer, and the sink shows only the part inside: ClipRectToImage), then
// end; `begin` and `end` may be null. A sink that `composes` builds each
// rectangle from the scene's sprites itself (ComposeSceneRect), and the back
// buffer stays as between frames; otherwise the back buffer holds the frame
// while its rectangles are put.
struct DesktopSink {
  void* context = nullptr;
  int32_t originX = 0;
  int32_t originY = 0;
  bool composes = false;
  void (*begin)(void* context, const PicturePlace& place) = nullptr;
  void (*put)(void* context, const PicturePlace& place, SceneRect rect) = nullptr;
  void (*end)(void* context) = nullptr;
};

// One frame of `scene` into `sink`, its back buffer's top-left pixel at
// (left, top) of the desktop and each of its pixels as scale x scale: RenderScene,
// or PresentScene for a sink that composes.
void PresentPicture(SpriteScene& scene, int32_t left, int32_t top, int32_t scale, const DesktopSink& sink);

// The part of `rect` inside the image; width or height 0 when nothing is.
SceneRect ClipRectToImage(SceneRect rect, const DibImage& image);

// Builds the scene once: loads pattern image i by the name "SPPAT_R<i>", makes the
// back buffer (all black) of width x height, fills its colour table from the
// static colours and pattern image 0, makes its palette, and allocates
// `spriteCount` hidden sprites and `patternCount` undefined patterns. Does nothing
// when the scene already has any of its arrays. Negative counts count as 0; a
// pattern image that cannot be loaded stays empty (nothing is drawn from it, and
// as image 0 it leaves entries 10..245 of the colour table black).
void CreateScene(SpriteScene& scene, const ScenePlatform& platform, int32_t spriteCount,
                 int32_t patternCount, int32_t patternImageCount, int32_t width, int32_t height);

// The setters change only the records; the window shows the change at the next
// RenderScene. Each does nothing for a sprite index outside 0..spriteCount-1.

// Size of the sprite's rectangle; its hotspot at (width / 2, height / 2); a blank
// background store of that size; threshold 2 x width x height.
void SetSpriteSize(SpriteScene& scene, int32_t sprite, int32_t width, int32_t height);

// Pattern `pattern` shows `patternImage` around its hotspot (x, y). Nothing when
// either index is out of range.
void DefinePattern(SpriteScene& scene, int32_t pattern, int32_t patternImage, int32_t hotspotX,
                   int32_t hotspotY);

// The sprite shows pattern `pattern`, or pattern 0 when the index is out of range.
void SetSpritePattern(SpriteScene& scene, int32_t sprite, int32_t pattern);

// Places the sprite's hotspot at (x, y) of the back buffer.
void SetSpriteCentre(SpriteScene& scene, int32_t sprite, int32_t x, int32_t y);

// Shows (non-zero low byte of `flag`) or hides the sprite from the next frame on.
void SetSpriteVisible(SpriteScene& scene, int32_t sprite, int32_t flag);

// One frame: composes the visible sprites into the back buffer (from the last
// sprite to the first), hands each sprite's rectangles to `sink` (its new place
// and the place it left, as one rectangle while their union is smaller than its
// threshold), then takes the sprites out of the back buffer again (from the first
// to the last), leaving it exactly as before. Allocates nothing.
void RenderScene(SpriteScene& scene, const PresentSink& sink);

// RenderScene without the composing: hands each sprite's rectangles to `sink` as
// RenderScene does, for a sink that composes them itself (ComposeSceneRect) and
// leaves the back buffer alone.
void PresentScene(SpriteScene& scene, const PresentSink& sink);

// Composes `rect` of the frame PresentScene is presenting (it must lie inside the
// back buffer) into the top-left rect.width x rect.height pixels of `canvas`: the
// background with the visible sprites drawn over it exactly as RenderScene
// composes them in the back buffer, which is not read: it must hold only the
// background, index 0, as between frames. Costs what the rectangle holds, not
// the back buffer's size. Nothing when `canvas` is smaller than `rect`.
void ComposeSceneRect(const SpriteScene& scene, SceneRect rect, DibImage& canvas);

// What ComposeSceneRectPixels needs besides the scene: the pixel table (a
// PixelTable: index i becomes table[i]) and, for each pattern image k of the
// scene, where each of its rows holds indices that are not transparent as
// spans[k] (DrawTransparentPixels), so that a round sprite's corners are not
// looked at.
struct PatternPixels {
  std::array<uint32_t, 256> table{};
  std::vector<std::vector<int32_t>> spans;
};
void MakePatternPixels(const SpriteScene& scene, const std::array<uint32_t, 256>& table,
                       PatternPixels& patterns);

// ComposeSceneRect straight into 32-bit pixels, with what MakePatternPixels
// made for this scene: the rectangle's top-left at pixels[0], its rows
// `pixelsPerRow` apart, top row first. Every pixel of the rectangle is written,
// no other; no canvas between.
void ComposeSceneRectPixels(const SpriteScene& scene, const PatternPixels& patterns, SceneRect rect,
                            uint32_t* pixels, int32_t pixelsPerRow);

// The three steps of RenderScene for one sprite, in the back buffer `backBuffer`.
void SaveAndDraw(Sprite& sprite, DibImage& backBuffer);
void PresentSprite(Sprite& sprite, const DibImage& backBuffer, const PresentSink& sink);
void RestoreBackground(const Sprite& sprite, DibImage& backBuffer);
