// The browser page's edge: the animation on the portable core, exported as a few
// C functions to the page's script (page_web.js), which owns the clock, the
// canvas and the sound output.
#include <emscripten/emscripten.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "animation/animation.h"
#include "animation/settings.h"
#include "resources/embedded_assets.h"
#include "shell/input_watch.h"
#include "sprites/pixel_convert.h"

namespace {


// A canvas's ImageData holds red, green, blue, alpha bytes in that order: on
// WebAssembly's little-endian memory, red is the low byte of a 32-bit pixel.
constexpr PixelLayout kCanvasLayout{0x000000FFu, 0x0000FF00u, 0x00FF0000u, 0xFF000000u};

// One run of the animation at one canvas size, and what its last tick gave.
struct Run {
  AnimationState state;
  SpriteScene scene;
  PixelTable pixels{};
  std::vector<int32_t> rects;      // left, top, width, height of each rectangle put
  std::vector<uint32_t> rgba;      // their pixels, rectangle after rectangle, rows from the top;
  size_t rgbaUsed = 0;             // the vector only grows, so a tick fills it without clearing it
  std::vector<int32_t> sounds;     // the sounds asked for, in order
};

std::unique_ptr<Run> run;
SaverSettings bounded;

void NoteSound(void* context, int32_t sound) { static_cast<Run*>(context)->sounds.push_back(sound); }

void PutRect(void* context, const DibImage& backBuffer, SceneRect rect) {
  Run& r = *static_cast<Run*>(context);
  const SceneRect clipped = ClipRectToImage(rect, backBuffer);
  if (clipped.width <= 0 || clipped.height <= 0) return;
  const size_t at = r.rgbaUsed;
  r.rgbaUsed += static_cast<size_t>(clipped.width) * clipped.height;
  if (r.rgba.size() < r.rgbaUsed) r.rgba.resize(r.rgbaUsed);
  ConvertBackBufferRect(backBuffer, clipped, r.pixels, r.rgba.data() + at, clipped.width);
  r.rects.insert(r.rects.end(), {clipped.left, clipped.top, clipped.width, clipped.height});
}

}  // namespace

extern "C" {

// The settings as the page will run them: a count or frequency out of its range
// takes the fallback, as a stored value read back from the profile does. Returns
// the sound switch, count and frequency, three 32-bit integers.
EMSCRIPTEN_KEEPALIVE const int32_t* BoundSettings(int32_t soundSwitch, int32_t moleculeCount,
                                                  int32_t soundFrequency) {
  bounded = BoundLoadedSettings(soundSwitch, moleculeCount, soundFrequency);
  static_assert(sizeof(SaverSettings) == 3 * sizeof(int32_t));
  return &bounded.soundSwitch;
}

// Starts the animation over on a black canvas of width x height pixels with the
// settings (bounded as BoundSettings does) and the random source seeded with
// `seed`. Returns 1, or 0 when the scene could not be made (nothing is drawn).
EMSCRIPTEN_KEEPALIVE int32_t StartRun(int32_t width, int32_t height, int32_t soundSwitch, int32_t moleculeCount,
                                      int32_t soundFrequency, uint32_t seed) {
  run = std::make_unique<Run>();
  run->state.width = width;
  run->state.height = height;
  run->state.settings = BoundLoadedSettings(soundSwitch, moleculeCount, soundFrequency);
  SeedRandom(run->state.random, seed);
  ScenePlatform platform;
  platform.bitmaps.findBuiltIn = FindEmbeddedSheet;
  SetUpAnimation(run->state, run->scene, platform);
  const DibImage& backBuffer = run->scene.backBuffer;
  if (backBuffer.header == nullptr || backBuffer.bits == nullptr) return 0;
  const uint8_t* colourTable = backBuffer.header + LoadInfoHeader(backBuffer.header).biSize;
  return BuildPixelTable(colourTable, kCanvasLayout, false, run->pixels) ? 1 : 0;
}

// One 50 ms tick. Returns how many rectangles it put; RectList and PixelList
// hold them and SoundList the sounds it asked for, until the next tick or start.
EMSCRIPTEN_KEEPALIVE int32_t TickRun() {
  if (run == nullptr) return 0;
  run->rects.clear();
  run->rgbaUsed = 0;
  run->sounds.clear();
  PresentSink sink;
  sink.context = run.get();
  sink.put = PutRect;
  const bool sound = run->state.settings.soundSwitch > 0;
  TickAnimation(run->state, run->scene, sound ? NoteSound : nullptr, run.get(), sink);
  return static_cast<int32_t>(run->rects.size() / 4);
}

EMSCRIPTEN_KEEPALIVE const int32_t* RectList() { return run ? run->rects.data() : nullptr; }
EMSCRIPTEN_KEEPALIVE const uint32_t* PixelList() { return run ? run->rgba.data() : nullptr; }
EMSCRIPTEN_KEEPALIVE int32_t SoundCount() { return run ? static_cast<int32_t>(run->sounds.size()) : 0; }
EMSCRIPTEN_KEEPALIVE const int32_t* SoundList() { return run ? run->sounds.data() : nullptr; }

// The WAVE file of sound 0 (the bounce) or 1 (the ambient sound); its size in
// bytes from SoundImageSize. Null and 0 for any other number.
EMSCRIPTEN_KEEPALIVE const unsigned char* SoundImage(int32_t sound) {
  return sound == 0 ? kBounceSoundFile : sound == 1 ? kAmbientSoundFile : nullptr;
}
EMSCRIPTEN_KEEPALIVE int32_t SoundImageSize(int32_t sound) {
  return static_cast<int32_t>(sound == 0 ? kBounceSoundFileSize : sound == 1 ? kAmbientSoundFileSize : 0);
}

// 1 when the pointer at (x, y) has travelled far enough from (fromX, fromY), in
// CSS pixels, to end full screen as it ends the saver.
EMSCRIPTEN_KEEPALIVE int32_t PointerMovedFar(int32_t fromX, int32_t fromY, int32_t x, int32_t y) {
  return MovedBeyondThreshold({fromX, fromY}, {x, y}) ? 1 : 0;
}

}  // extern "C"
